#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "gridmap/grid_export.h"
#include "gridmap/map_figure.h"
#include "support/run_program.h"
#include "textio/geoeas_header.h"

namespace meldrit::gridmap {
namespace {

using test::crlf;
using test::read_bytes;

// Two arrays on a 4 x 3 x 2 grid: values of either sign, tiny and large, whole and not.
const std::vector<double> kFirst = {1.5,   -2.25, 0,     3e-7, 1e10, 7,  8.125, -9,   10, 0.1,   11, 12,
                                    13.75, 14,    -15.5, 16,   17,   18, 19,    20.5, 21, -1e-3, 23, 24};
const std::vector<double> kSecond = {2, 1, 2, 1, 1, 1, 2, 2, 1, 2, 1, 2, 2, 2, 1, 1, 1, 2, 2, 1, 2, 1, 1, 2};

std::string one_per_line(const std::vector<double>& values, const std::string& header = "") {
  std::ostringstream text;
  text.precision(17);
  text << header;
  for (const double value : values) text << value << "\r\n";
  return text.str();
}

struct Fixture {
  test::TempDir dir;
  ExportRequest request;

  Fixture() {
    request.nodes = {4, 3, 2};
    request.spacing = {10, 20, 2.5};
    request.origin = {5, -10, 101.25};
    request.inputs = {{dir.write("porosity.out", one_per_line(kFirst, "header\r\n")), "1", ""},
                      {dir.write("facies.out", one_per_line(kSecond)), "0", "facies"}};
  }
};

// What a real VTK reads from a .vti or .vtk file: geometry, then each array's name and values.
std::string read_with_vtk(const test::TempDir& dir, const std::string& path) {
  const std::string script = dir.write("read.py", R"(import sys, vtk
path = sys.argv[1]
if path.endswith('.vti'):
    reader = vtk.vtkXMLImageDataReader()
else:
    reader = vtk.vtkStructuredPointsReader()
    reader.ReadAllScalarsOn()
reader.SetFileName(path)
reader.Update()
grid = reader.GetOutput()
print('dims', *grid.GetDimensions())
print('origin', *[repr(v) for v in grid.GetOrigin()])
print('spacing', *[repr(v) for v in grid.GetSpacing()])
data = grid.GetPointData()
for a in range(data.GetNumberOfArrays()):
    array = data.GetArray(a)
    print('array', array.GetName(), array.GetDataTypeAsString(), array.GetNumberOfTuples())
    print(*[repr(array.GetTuple1(i)) for i in range(array.GetNumberOfTuples())])
)");
  const test::ProgramRun run = test::run_in(dir.path().string(), "/usr/bin/python3 " + script + " " + path);
  EXPECT_EQ(run.status, 0) << run.err;
  return run.out;
}

std::string values_text(const std::vector<double>& values, bool float32) {
  std::ostringstream text;
  for (std::size_t i = 0; i < values.size(); ++i) {
    const double value = float32 ? static_cast<double>(static_cast<float>(values[i])) : values[i];
    char number[40];
    std::snprintf(number, sizeof number, "%.17g", value);
    text << (i > 0 ? " " : "") << std::strtod(number, nullptr);
  }
  return text.str();
}

TEST(GridExport, VtkReadsGeometryAndEveryValue) {
  if (std::system("/usr/bin/python3 -c 'import vtk' >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "/usr/bin/python3 cannot import vtk (Debian's python3-vtk9)";
  }
  for (const std::string ending : {".vti", ".vtk"}) {
    for (const bool float32 : {false, true}) {
      SCOPED_TRACE(ending + (float32 ? " float" : " double"));
      Fixture f;
      f.request.output = f.dir.file("grid" + ending);
      f.request.float32 = float32;
      const job::Outcome outcome = export_grid(f.request);
      ASSERT_TRUE(outcome.completed()) << outcome.message;
      std::istringstream read(read_with_vtk(f.dir, f.request.output));
      // Python prints floats in repr; read them back into doubles to compare numbers, not texts.
      const auto numbers_line = [&read] {
        std::string line, word;
        std::getline(read, line);
        std::istringstream words(line);
        std::vector<double> values;
        while (words >> word) values.push_back(std::strtod(word.c_str(), nullptr));
        return values_text(values, false);
      };
      std::string line;
      std::getline(read, line);
      EXPECT_EQ(line, "dims 4 3 2");
      std::getline(read, line);
      EXPECT_EQ(line, "origin 5.0 -10.0 101.25");
      std::getline(read, line);
      EXPECT_EQ(line, "spacing 10.0 20.0 2.5");
      const char* type = float32 ? "float" : "double";
      std::getline(read, line);
      EXPECT_EQ(line, std::string("array porosity ") + type + " 24");
      EXPECT_EQ(numbers_line(), values_text(kFirst, float32));
      std::getline(read, line);
      EXPECT_EQ(line, std::string("array facies ") + type + " 24");
      EXPECT_EQ(numbers_line(), values_text(kSecond, float32));
      EXPECT_FALSE(std::getline(read, line));
    }
  }
}

// Written independently of the program's own readers: a GeoEAS file as GSLIB reads it.
struct GeoEas {
  std::string title;
  std::vector<std::string> names;
  std::vector<std::vector<double>> columns;
};
GeoEas read_geoeas(const std::string& bytes) {
  std::istringstream in(bytes);
  GeoEas file;
  std::string line;
  std::getline(in, file.title);
  std::getline(in, line);
  const int nvar = std::stoi(line);
  file.columns.resize(static_cast<std::size_t>(nvar));
  for (int i = 0; i < nvar; ++i) {
    std::getline(in, line);
    file.names.push_back(line.substr(0, line.find('\r')));
  }
  while (std::getline(in, line)) {
    std::istringstream row(line);
    for (auto& column : file.columns) {
      double value = 0;
      EXPECT_TRUE(row >> value) << line;
      column.push_back(value);
    }
  }
  return file;
}

// An Eclipse property file: "--" comments, then keywords each followed by values up to "/".
std::vector<std::pair<std::string, std::vector<double>>> read_grdecl(const std::string& bytes) {
  std::istringstream in(bytes);
  std::vector<std::pair<std::string, std::vector<double>>> keywords;
  std::string line, word;
  bool open = false;
  while (std::getline(in, line)) {
    if (line.starts_with("--")) continue;
    std::istringstream words(line);
    while (words >> word) {
      if (!open) {
        keywords.push_back({word, {}});
        open = true;
      } else if (word == "/") {
        open = false;
      } else {
        keywords.back().second.push_back(std::strtod(word.c_str(), nullptr));
      }
    }
  }
  EXPECT_FALSE(open) << "the last keyword has no /";
  return keywords;
}

TEST(GridExport, GeoEasAndGrdeclRoundTrip) {
  for (const bool float32 : {false, true}) {
    const auto expected = [float32](const std::vector<double>& values) {
      return values_text(values, float32);
    };
    Fixture f;
    f.request.float32 = float32;
    f.request.output = f.dir.file("grid.gslib");
    ASSERT_TRUE(export_grid(f.request).completed());
    const std::string bytes = read_bytes(f.request.output);
    EXPECT_TRUE(bytes.starts_with("4 3 2\r\n2\r\nporosity\r\nfacies\r\n")) << bytes.substr(0, 40);
    const GeoEas geoeas = read_geoeas(bytes);
    EXPECT_EQ(geoeas.names, (std::vector<std::string>{"porosity", "facies"}));
    ASSERT_EQ(geoeas.columns.size(), 2u);
    EXPECT_EQ(values_text(geoeas.columns[0], false), expected(kFirst));
    EXPECT_EQ(values_text(geoeas.columns[1], false), expected(kSecond));

    // The GeoEAS file is read back as an input with its own header length.
    f.request.inputs = {{f.request.output, "geoeas", "back"}};
    f.request.output = f.dir.file("grid.grdecl");
    const job::Outcome outcome = export_grid(f.request);
    EXPECT_EQ(outcome.message,
              f.dir.file("grid.gslib") + " holds 48 values, but the grid has 24 (4 x 3 x 2) nodes.");
    f.request.inputs = {{f.dir.file("porosity.out"), "1", "PORO"}, {f.dir.file("facies.out"), "0", "FACIES"}};
    ASSERT_TRUE(export_grid(f.request).completed());
    const auto keywords = read_grdecl(read_bytes(f.request.output));
    ASSERT_EQ(keywords.size(), 2u);
    EXPECT_EQ(keywords[0].first, "PORO");
    EXPECT_EQ(values_text(keywords[0].second, false), expected(kFirst));
    EXPECT_EQ(keywords[1].first, "FACIES");
    EXPECT_EQ(values_text(keywords[1].second, false), expected(kSecond));
  }
}

TEST(GridExport, RefusalsAndBadValues) {
  test::TempDir dir;
  const std::string six = dir.write("six.out", crlf("1|2|3|4|5|6"));
  const std::string seven = dir.write("seven.out", crlf("1|2|3|4|5|6|7"));
  const std::string five = dir.write("five.out", crlf("1|2|3|4|5"));
  const std::string word = dir.write("word.out", crlf("1|2|x1|4|5|6"));
  const std::string inf = dir.write("inf.out", crlf("1|2|3|-inf|5|6"));
  const std::string nan = dir.write("nan.out", crlf("1|NaN|3|4|5|6"));
  const std::string big = dir.write("big.out", crlf("1|2|3|4|5|1e300"));
  const std::string geoeas = dir.write("geo.dat", crlf("title|two|a|b|1|2|3|4|5|6"));
  const std::string short_geoeas = dir.write("short.dat", crlf("title|3|a|b"));
  const std::string grid = "6 (3 x 2 x 1)";
  // inputs (path, skip), output ending, 32-bit, the message (empty: completed)
  const struct {
    std::vector<std::pair<std::string, std::string>> inputs;
    std::string ending;
    bool float32;
    std::string message;
  } cases[] = {
      {{{six, "0"}, {seven, "0"}},
       ".dat",
       false,
       seven + " holds 7 values, but the grid has " + grid + " nodes."},
      {{{five, "0"}}, ".vti", false, five + " holds 5 values, but the grid has " + grid + " nodes."},
      {{{six, "1"}}, ".grdecl", false, six + " holds 5 values, but the grid has " + grid + " nodes."},
      {{{six, "9"}}, ".vtk", false, six + " holds 0 values, but the grid has " + grid + " nodes."},
      {{{word, "0"}}, ".vtk", false, "Value 3 of " + word + " is not a number: 'x1'."},
      {{{inf, "0"}}, ".dat", false, "Value 4 of " + inf + " is not finite: '-inf'."},
      {{{six, "0"}, {nan, "0"}}, ".dat", false, "Value 2 of " + nan + " is not finite: 'NaN'."},
      {{{big, "0"}}, ".vti", false, ""},
      {{{big, "0"}}, ".vti", true, "Value 6 of " + big + " does not fit a 32-bit float (1E+300)."},
      {{{geoeas, "geoeas"}},
       ".vti",
       false,
       geoeas + " has no GeoEAS header: its second line is not a whole "
                "number of variables."},
      {{{short_geoeas, "GeoEAS"}},
       ".vti",
       false,
       short_geoeas + " has no GeoEAS header: it names 2 of its 3 "
                      "variables."},
      {{{dir.file("none.out"), "0"}}, ".vti", false, "Cannot open " + dir.file("none.out")},
      {{{six, "0"}}, ".txt", false, "The output must end with .vti, .vtk, .dat, .gslib or .grdecl."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.inputs.front().first + " -> " + c.ending);
    ExportRequest request;
    request.nodes = {3, 2, 1};
    request.float32 = c.float32;
    for (const auto& [path, skip] : c.inputs) request.inputs.push_back({path, skip, ""});
    request.output = dir.file("out" + c.ending);
    std::filesystem::remove(request.output);
    const job::Outcome outcome = export_grid(request);
    EXPECT_EQ(outcome.completed() ? "" : outcome.message, c.message);
    // A binary file cut short is gone; a text one keeps only whole lines.
    const bool binary = c.ending == ".vti" || c.ending == ".vtk";
    if (!outcome.completed() && binary) {
      EXPECT_FALSE(std::filesystem::exists(request.output));
    }
    if (!binary && std::filesystem::exists(request.output)) {
      const std::string bytes = read_bytes(request.output);
      EXPECT_TRUE(bytes.empty() || bytes.ends_with("\r\n")) << bytes;
    }
  }

  // Checks made before anything is written: the geometry, the names, an output that is an input.
  const struct {
    std::string output;
    std::vector<std::string> names;
    std::array<double, 3> spacing;
    std::string message;
  } refusals[] = {
      {dir.file("sub/../six.out"), {""}, {1, 1, 1}, std::string(kOutputIsInput)},
      {dir.file("a.vti"),
       {"two words"},
       {1, 1, 1},
       "An array name is one word of letters, digits, '_', '-' and '.': "
       "'two words' is not."},
      {dir.file("a.vti"), {"p", "P"}, {1, 1, 1}, "Two arrays cannot both be named 'P'."},
      {dir.file("a.vti"), {""}, {1, 0, 1}, "Every spacing must be a number above 0."},
  };
  std::filesystem::create_directory(dir.file("sub"));
  for (const auto& r : refusals) {
    ExportRequest request;
    request.nodes = {3, 2, 1};
    request.spacing = r.spacing;
    for (const std::string& name : r.names) request.inputs.push_back({six, "0", name});
    request.output = r.output;
    const job::Outcome outcome = export_grid(request);
    EXPECT_EQ(outcome.ending, job::Ending::Refused);
    EXPECT_EQ(outcome.message, r.message);
  }
  EXPECT_EQ(read_bytes(six), crlf("1|2|3|4|5|6"));
  EXPECT_FALSE(std::filesystem::exists(dir.file("a.vti")));
}

TEST(GridExport, DefaultNamesAndCommandLine) {
  EXPECT_EQ(default_array_name(" runs/porosity 1.out "), "porosity_1");
  EXPECT_EQ(default_array_name("a.b.c"), "a.b");
  EXPECT_EQ(default_array_name(".out"), ".out");

  test::TempDir dir;
  dir.write("p.out", crlf("1|2|3|4|5|6"));
  dir.write("g.dat", crlf("t|1|v|1|2|3|4|5|6"));
  const std::string cli = std::string(MELDRIT_PROGRAM_FOLDER) + "/meldrit-cli export ";
  // arguments, exit status, the start of standard error (standard output when it exits 0)
  const struct {
    std::string arguments;
    int status;
    std::string said;
  } cases[] = {
      {"--nodes 3,2,1 --input p.out g.dat::geoeas --output a.dat", 0, "Wrote 2 arrays of 6 nodes to a.dat."},
      {"--nodes 3,2,1 --input p.out --name x y --output a.vti", 2, "--name: expects one name per --input"},
      {"--nodes 3,2 --input p.out --output a.vti", 2, "--nodes"},
      {"--nodes 3,2,1 --spacing 1,x,1 --input p.out --output a.vti", 2, "--spacing: expects three numbers"},
      {"--nodes 3,2,2 --input p.out --output a.vti", 1, "p.out holds 6 values, but the grid has 12"},
      {"--nodes 3,2,1 --input p.out --output p.out", 1, std::string(kOutputIsInput)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments);
    const test::ProgramRun run = test::run_in(dir.path().string(), cli + c.arguments);
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_TRUE((c.status == 0 ? run.out : run.err).starts_with(c.said)) << run.out << run.err;
  }
  EXPECT_EQ(read_bytes(dir.file("a.dat")), crlf("3 2 1|2|p|g| 1  1 | 2  2 | 3  3 | 4  4 | 5  5 | 6  6 "));
}

TEST(GeoEasHeader, LengthFromTheFile) {
  test::TempDir dir;
  // file bytes, header lines (0: none), message
  const struct {
    std::string bytes;
    std::uint64_t lines;
    std::string message;
  } cases[] = {
      {crlf("title|3|x|y|z|1 2 3"), 5, ""},
      {crlf("title| 1  60 40 3|value"), 3, ""},  // GSLIB grids carry more after the count
      {"title\n2\na\nb", 4, ""},                 // a last line without its end
      {crlf("title|2.5|a|b|c"), 0, "its second line is not a whole number of variables."},
      {crlf("title|0"), 0, "its second line is not a whole number of variables."},
      {crlf("title|-1|a"), 0, "its second line is not a whole number of variables."},
      {crlf("title|4|a|b"), 0, "it names 2 of its 4 variables."},
      {crlf("title"), 0, "it ends before the number of variables."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    const std::string path = dir.write("f.dat", c.bytes);
    std::uint64_t lines = 0;
    std::string message;
    const bool read = textio::geoeas_header_lines(path, lines, message);
    EXPECT_EQ(read, c.message.empty());
    EXPECT_EQ(read ? lines : 0, c.lines);
    EXPECT_EQ(message, c.message.empty() ? "" : path + " has no GeoEAS header: " + c.message);
  }
  EXPECT_TRUE(textio::is_geoeas_skip(" GeoEAS "));
  EXPECT_FALSE(textio::is_geoeas_skip("geoeas2"));
}

}  // namespace
}  // namespace meldrit::gridmap
