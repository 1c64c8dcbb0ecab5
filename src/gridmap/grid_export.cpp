#include "gridmap/grid_export.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <set>

#include "gridmap/grid_scan.h"
#include "gridmap/map_figure.h"
#include "textio/field_stream.h"
#include "textio/file_type.h"
#include "textio/geoeas_header.h"
#include "textio/number_format.h"
#include "textio/numeric_value.h"
#include "textio/text_writer.h"

namespace meldrit::gridmap {
namespace {

constexpr std::size_t kBlock = std::size_t{1} << 20;
// Values per GRDECL line: at most 24 characters each, within Eclipse's 132-character lines.
constexpr int kGrdeclPerLine = 5;

std::string lower(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return result;
}

bool name_character(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.';
}

// Shortest text that reads back as the same double, for geometry in headers.
std::string exact_number(double value) {
  char text[40];
  const auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

std::string triple(const std::array<double, 3>& values) {
  return exact_number(values[0]) + " " + exact_number(values[1]) + " " + exact_number(values[2]);
}

// One input read node by node, with the message of the first thing that is wrong with it.
class InputValues {
 public:
  InputValues(const ExportInput& input, std::uint64_t nodes, std::string grid_text, bool float32)
      : path_(textio::trim_blanks(input.path)),
        nodes_(nodes),
        grid_(std::move(grid_text)),
        float32_(float32) {}

  bool open(job::Outcome& outcome) {
    if (!stream_.open(path_)) {
      outcome = job::Outcome::failed("Cannot open " + path_);
      return false;
    }
    return true;
  }
  bool skip_header(const std::string& skip_text, job::Outcome& outcome) {
    double lines = 0;
    std::string message;
    if (!textio::header_lines(path_, skip_text, lines, message)) {
      outcome = job::Outcome::failed(message);
      return false;
    }
    if (stream_.skip_lines(lines)) return true;
    outcome = stream_.failed() ? job::Outcome::failed("Cannot read " + path_) : count_mismatch(0);
    return false;
  }

  // The value of node `node` (from 0).
  bool next(std::uint64_t node, double& value, job::Outcome& outcome) {
    const textio::ReadStatus status = stream_.next_number(value);
    if (status == textio::ReadStatus::Ok) {
      if (float32_ && std::abs(value) > std::numeric_limits<float>::max()) {
        return wrong(node, "does not fit a 32-bit float (" + textio::plain_number(value) + ")", outcome);
      }
      return true;
    }
    if (status == textio::ReadStatus::EndOfFile) {
      outcome = count_mismatch(node);
    } else if (status == textio::ReadStatus::IoError) {
      outcome = job::Outcome::failed("Cannot read " + path_ + " after value " + std::to_string(node) + ".");
    } else {
      std::string field = lower(textio::trim_blanks(stream_.rejected_field()));
      if (!field.empty() && (field[0] == '+' || field[0] == '-')) field.erase(0, 1);
      const bool not_finite = field == "inf" || field == "infinity" || field == "nan" ||
                              field.starts_with("nan(") || field == "1.#inf" || field == "1.#qnan";
      return wrong(node,
                   std::string(not_finite ? "is not finite: '" : "is not a number: '") +
                       std::string(stream_.rejected_field().substr(0, 40)) + "'",
                   outcome);
    }
    return false;
  }

  // After the last node: nothing but blanks may follow.
  bool at_end(job::Outcome& outcome) {
    if (stream_.at_end()) return true;
    std::uint64_t count = nodes_;
    textio::ReadStatus status;
    while ((status = stream_.skip_field()) == textio::ReadStatus::Ok) ++count;
    outcome = status == textio::ReadStatus::IoError ? job::Outcome::failed("Cannot read " + path_)
                                                    : count_mismatch(count);
    return false;
  }

  std::uint64_t bytes_consumed() const { return stream_.bytes_consumed(); }
  void close() { stream_.close(); }

 private:
  job::Outcome count_mismatch(std::uint64_t count) const {
    return job::Outcome::failed(path_ + " holds " + std::to_string(count) + " values, but the grid has " +
                                grid_ + " nodes.");
  }
  bool wrong(std::uint64_t node, const std::string& what, job::Outcome& outcome) const {
    outcome = job::Outcome::failed("Value " + std::to_string(node + 1) + " of " + path_ + " " + what + ".");
    return false;
  }

  std::string path_;
  std::uint64_t nodes_;
  std::string grid_;
  bool float32_;
  textio::FieldStream stream_;
};

// Bytes gathered into large blocks, each written whole.
class BlockWriter {
 public:
  explicit BlockWriter(textio::TextWriter& writer) : writer_(writer) { block_.reserve(kBlock); }
  void add(std::string_view bytes) {
    block_.append(bytes);
    if (block_.size() >= kBlock) flush();
  }
  template <typename T>
  void add_value(T value, bool big_endian) {
    char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    if (big_endian != (std::endian::native == std::endian::big)) std::reverse(bytes, bytes + sizeof(T));
    add(std::string_view(bytes, sizeof(T)));
  }
  bool flush() {
    const bool ok = writer_.write_lines(block_);
    block_.clear();
    return ok;
  }

 private:
  textio::TextWriter& writer_;
  std::string block_;
};

struct Job {
  const ExportRequest& request;
  ExportFormat format;
  std::vector<std::string> names;
  std::uint64_t nodes;
  std::string grid_text;
  job::Hooks& hooks;
  std::uint64_t bytes_total = 0;
};

std::string vti_header(const Job& job) {
  const auto& n = job.request.nodes;
  const std::string extent =
      "0 " + std::to_string(n[0] - 1) + " 0 " + std::to_string(n[1] - 1) + " 0 " + std::to_string(n[2] - 1);
  const char* type = job.request.float32 ? "Float32" : "Float64";
  const std::uint64_t array_bytes = 8 + job.nodes * (job.request.float32 ? 4 : 8);
  std::string text = "<?xml version=\"1.0\"?>\n";
  text += std::string("<VTKFile type=\"ImageData\" version=\"1.0\" byte_order=\"") +
          (std::endian::native == std::endian::big ? "BigEndian" : "LittleEndian") +
          "\" header_type=\"UInt64\">\n";
  text += "  <ImageData WholeExtent=\"" + extent + "\" Origin=\"" + triple(job.request.origin) +
          "\" Spacing=\"" + triple(job.request.spacing) + "\">\n";
  text += "    <Piece Extent=\"" + extent + "\">\n";
  text += "      <PointData Scalars=\"" + job.names[0] + "\">\n";
  for (std::size_t i = 0; i < job.names.size(); ++i) {
    text += std::string("        <DataArray type=\"") + type + "\" Name=\"" + job.names[i] +
            "\" format=\"appended\" offset=\"" + std::to_string(i * array_bytes) + "\"/>\n";
  }
  text += "      </PointData>\n      <CellData>\n      </CellData>\n    </Piece>\n  </ImageData>\n";
  text += "  <AppendedData encoding=\"raw\">\n   _";
  return text;
}

std::string vtk_header(const Job& job) {
  const auto& n = job.request.nodes;
  return "# vtk DataFile Version 3.0\nMeldrit grid\nBINARY\nDATASET STRUCTURED_POINTS\nDIMENSIONS " +
         std::to_string(n[0]) + " " + std::to_string(n[1]) + " " + std::to_string(n[2]) + "\nORIGIN " +
         triple(job.request.origin) + "\nSPACING " + triple(job.request.spacing) + "\nPOINT_DATA " +
         std::to_string(job.nodes) + "\n";
}

// .vti and .vtk: the arrays one after another, each input read in one pass of its own.
job::Outcome write_binary(Job& job, textio::TextWriter& writer) {
  const bool vti = job.format == ExportFormat::Vti;
  const bool big_endian = vti ? std::endian::native == std::endian::big : true;
  const bool float32 = job.request.float32;
  BlockWriter out(writer);
  out.add(vti ? vti_header(job) : vtk_header(job));
  job::ProgressTicker ticker(job.hooks, job.bytes_total, job.nodes * job.names.size());
  std::uint64_t bytes_before = 0;
  job::Outcome outcome = job::Outcome::done();
  for (std::size_t i = 0; i < job.names.size(); ++i) {
    const ExportInput& input = job.request.inputs[i];
    InputValues values(input, job.nodes, job.grid_text, float32);
    if (!values.open(outcome) || !values.skip_header(input.skip, outcome)) return outcome;
    if (vti) {
      out.add_value<std::uint64_t>(job.nodes * (float32 ? 4 : 8), big_endian);
    } else {
      out.add("SCALARS " + job.names[i] + (float32 ? " float" : " double") + " 1\nLOOKUP_TABLE default\n");
    }
    for (std::uint64_t node = 0; node < job.nodes; ++node) {
      if (!ticker.tick(bytes_before + values.bytes_consumed(), i * job.nodes + node)) {
        return job::Outcome::cancelled(job::kRunCancelled);
      }
      double value = 0;
      if (!values.next(node, value, outcome)) return outcome;
      if (float32) {
        out.add_value(static_cast<float>(value), big_endian);
      } else {
        out.add_value(value, big_endian);
      }
    }
    if (!values.at_end(outcome)) return outcome;
    if (!vti) out.add("\n");
    bytes_before += values.bytes_consumed();
  }
  if (vti) out.add("\n  </AppendedData>\n</VTKFile>\n");
  if (!out.flush()) return job::Outcome::failed(job::cannot_write_output(job.request.output));
  ticker.finish(bytes_before, job.nodes * job.names.size());
  return outcome;
}

// The lines of a node block end with CR LF, as every text the program writes.
void end_line(std::string& block) {
  block += "\r\n";
}

void add_number(std::string& block, double value, bool float32) {
  char text[textio::kPrintNumberRoom];
  char* end = float32 ? textio::write_print_number(text, static_cast<float>(value))
                      : textio::write_print_number(text, value);
  block.append(text, end);
}

// GeoEAS: every input read in lockstep, one line per node.
job::Outcome write_geoeas(Job& job, textio::TextWriter& writer) {
  // The title is the grid's node counts, so that readers of SGeMS grids see the grid.
  const auto& n = job.request.nodes;
  writer.write_line(std::to_string(n[0]) + " " + std::to_string(n[1]) + " " + std::to_string(n[2]));
  writer.write_line(std::to_string(job.names.size()));
  for (const std::string& name : job.names) writer.write_line(name);
  job::Outcome outcome = job::Outcome::done();
  std::vector<std::unique_ptr<InputValues>> inputs;
  for (const ExportInput& input : job.request.inputs) {
    inputs.push_back(std::make_unique<InputValues>(input, job.nodes, job.grid_text, job.request.float32));
    if (!inputs.back()->open(outcome) || !inputs.back()->skip_header(input.skip, outcome)) return outcome;
  }
  job::ProgressTicker ticker(job.hooks, job.bytes_total, job.nodes);
  const auto consumed = [&] {
    std::uint64_t sum = 0;
    for (const auto& input : inputs) sum += input->bytes_consumed();
    return sum;
  };
  std::string block;
  block.reserve(kBlock + 4096);
  std::string line;
  for (std::uint64_t node = 0; node < job.nodes; ++node) {
    if (node % 1024 == 0 && !ticker.tick(consumed(), node)) {
      outcome = job::Outcome::cancelled(job::kRunCancelled);
      break;
    }
    // A node's line goes out only when all its values were read: the file keeps whole lines.
    line.clear();
    bool ok = true;
    for (auto& input : inputs) {
      double value = 0;
      if (!(ok = input->next(node, value, outcome))) break;
      add_number(line, value, job.request.float32);
    }
    if (!ok) break;
    block += line;
    end_line(block);
    if (block.size() >= kBlock) {
      if (!writer.write_lines(block))
        return job::Outcome::failed(job::cannot_write_output(job.request.output));
      block.clear();
    }
  }
  if (outcome.completed()) {
    for (auto& input : inputs) {
      if (!input->at_end(outcome)) break;
    }
  }
  if (!writer.write_lines(block)) return job::Outcome::failed(job::cannot_write_output(job.request.output));
  if (outcome.completed()) ticker.finish(consumed(), job.nodes);
  return outcome;
}

// GRDECL: a keyword per input, its values, then "/"; one pass per input.
job::Outcome write_grdecl(Job& job, textio::TextWriter& writer) {
  const auto& n = job.request.nodes;
  writer.write_line("-- Meldrit grid " + std::to_string(n[0]) + " x " + std::to_string(n[1]) + " x " +
                    std::to_string(n[2]) + ", X fastest, then Y, then Z");
  job::ProgressTicker ticker(job.hooks, job.bytes_total, job.nodes * job.names.size());
  std::uint64_t bytes_before = 0;
  job::Outcome outcome = job::Outcome::done();
  std::string block;
  block.reserve(kBlock + 4096);
  const auto write_block = [&] {
    const bool ok = writer.write_lines(block);
    block.clear();
    return ok;
  };
  for (std::size_t i = 0; i < job.names.size() && outcome.completed(); ++i) {
    const ExportInput& input = job.request.inputs[i];
    InputValues values(input, job.nodes, job.grid_text, job.request.float32);
    if (!values.open(outcome) || !values.skip_header(input.skip, outcome)) break;
    block += job.names[i];
    end_line(block);
    std::uint64_t node = 0;
    for (; node < job.nodes; ++node) {
      if (node % 1024 == 0 && !ticker.tick(bytes_before + values.bytes_consumed(), i * job.nodes + node)) {
        outcome = job::Outcome::cancelled(job::kRunCancelled);
        break;
      }
      double value = 0;
      if (!values.next(node, value, outcome)) break;
      add_number(block, value, job.request.float32);
      if ((node + 1) % kGrdeclPerLine == 0 || node + 1 == job.nodes) {
        end_line(block);
        if (block.size() >= kBlock && !write_block()) {
          return job::Outcome::failed(job::cannot_write_output(job.request.output));
        }
      }
    }
    if (node < job.nodes) {
      // Drop the unfinished line: the file keeps whole lines.
      const std::size_t line_start = block.rfind('\n');
      block.resize(line_start == std::string::npos ? 0 : line_start + 1);
      break;
    }
    if (!values.at_end(outcome)) break;
    block += "/";
    end_line(block);
    bytes_before += values.bytes_consumed();
  }
  if (!write_block()) return job::Outcome::failed(job::cannot_write_output(job.request.output));
  if (outcome.completed()) ticker.finish(bytes_before, job.nodes * job.names.size());
  return outcome;
}

}  // namespace

std::optional<ExportFormat> export_format_of(std::string_view path) {
  const std::string name = lower(textio::bare_file_name(textio::trim_blanks(path)));
  const std::size_t dot = name.rfind('.');
  if (dot == std::string::npos) return std::nullopt;
  const std::string_view ending = std::string_view(name).substr(dot + 1);
  if (ending == "vti") return ExportFormat::Vti;
  if (ending == "vtk") return ExportFormat::Vtk;
  if (ending == "dat" || ending == "gslib") return ExportFormat::GeoEas;
  if (ending == "grdecl") return ExportFormat::Grdecl;
  return std::nullopt;
}

std::string default_array_name(std::string_view path) {
  std::string name(textio::bare_file_name(textio::trim_blanks(path)));
  if (const std::size_t dot = name.rfind('.'); dot != std::string::npos && dot > 0) name.resize(dot);
  for (char& c : name) {
    if (!name_character(c)) c = '_';
  }
  return name.empty() ? "values" : name;
}

job::Outcome export_grid(const ExportRequest& request, job::Hooks& hooks) {
  GridRequest grid;
  grid.nx = request.nodes[0];
  grid.ny = request.nodes[1];
  grid.nz = request.nodes[2];
  if (const job::Outcome checked = check_request(grid); !checked.completed()) return checked;
  for (int axis = 0; axis < 3; ++axis) {
    if (!(std::isfinite(request.spacing[axis]) && request.spacing[axis] > 0)) {
      return job::Outcome::refused("Every spacing must be a number above 0.");
    }
    if (!std::isfinite(request.origin[axis])) return job::Outcome::refused("The origin must be finite.");
  }
  if (request.inputs.empty()) return job::Outcome::refused("Choose at least one file to export.");
  std::vector<std::string> paths;
  for (const ExportInput& input : request.inputs) paths.push_back(input.path);
  if (textio::any_output_clashes(paths, {request.output})) return job::Outcome::refused(kOutputIsInput);
  const std::optional<ExportFormat> format = export_format_of(request.output);
  if (!format) {
    return job::Outcome::refused("The output must end with .vti, .vtk, .dat, .gslib or .grdecl.");
  }
  std::vector<std::string> names;
  std::set<std::string> seen;
  for (const ExportInput& input : request.inputs) {
    const bool given = !input.name.empty();
    std::string name = given ? input.name : default_array_name(input.path);
    if (!std::all_of(name.begin(), name.end(), name_character)) {
      return job::Outcome::refused("An array name is one word of letters, digits, '_', '-' and '.': '" +
                                   name + "' is not.");
    }
    // Two files of one name (run1/porosity.out, run2/porosity.out) get numbered names.
    if (!given) {
      const std::string base = name;
      for (int number = 2; seen.contains(lower(name)); ++number) name = base + "_" + std::to_string(number);
    }
    if (!seen.insert(lower(name)).second) {
      return job::Outcome::refused("Two arrays cannot both be named '" + name + "'.");
    }
    names.push_back(name);
  }
  hooks.checks_passed();

  const std::uint64_t nodes = static_cast<std::uint64_t>(grid.nx) * static_cast<std::uint64_t>(grid.ny) *
                              static_cast<std::uint64_t>(grid.nz);
  Job job{request,
          *format,
          names,
          nodes,
          std::to_string(nodes) + " (" + std::to_string(grid.nx) + " x " + std::to_string(grid.ny) + " x " +
              std::to_string(grid.nz) + ")",
          hooks};
  for (const std::string& path : paths)
    job.bytes_total += textio::file_size_or_zero(textio::trim_blanks(path));

  const std::string output(textio::trim_blanks(request.output));
  textio::TextWriter writer;
  if (!writer.create(output)) return job::Outcome::failed(job::cannot_write_output(output));
  job::Outcome outcome = job::guarded(job::cannot_write_output(output), [&] {
    switch (*format) {
      case ExportFormat::Vti:
      case ExportFormat::Vtk:
        return write_binary(job, writer);
      case ExportFormat::GeoEas:
        return write_geoeas(job, writer);
      case ExportFormat::Grdecl:
        return write_grdecl(job, writer);
    }
    return job::Outcome::failed(job::cannot_write_output(output));
  });
  if (!writer.close() && outcome.completed())
    outcome = job::Outcome::failed(job::cannot_write_output(output));
  // A binary file cut short cannot be read at all; a text one keeps its whole lines.
  const bool binary = *format == ExportFormat::Vti || *format == ExportFormat::Vtk;
  if (binary && !outcome.completed()) std::remove(output.c_str());
  if (outcome.completed()) {
    outcome.message = "Wrote " + std::to_string(names.size()) + (names.size() == 1 ? " array" : " arrays") +
                      " of " + std::to_string(nodes) + " nodes to " + output + ".";
  }
  return outcome;
}

namespace {

bool three_numbers(std::string_view text, std::array<double, 3>& values) {
  for (int axis = 0; axis < 3; ++axis) {
    const std::size_t comma = axis < 2 ? text.find(',') : text.size();
    if (comma == std::string_view::npos) return false;
    if (!textio::parse_number(textio::trim_blanks(text.substr(0, comma)), values[axis])) return false;
    text.remove_prefix(std::min(comma + 1, text.size()));
  }
  return true;
}

}  // namespace

job::Outcome read_geometry(std::string_view origin, std::string_view spacing, GridRequest& grid) {
  std::array<double, 3> at{}, step{};
  if (!three_numbers(origin, at)) {
    return job::Outcome::refused("Type the origin as three numbers X0,Y0,Z0, got '" + std::string(origin) +
                                 "'.");
  }
  if (!three_numbers(spacing, step)) {
    return job::Outcome::refused("Type the spacing as three numbers DX,DY,DZ, got '" + std::string(spacing) +
                                 "'.");
  }
  for (int axis = 0; axis < 3; ++axis) {
    if (!(std::isfinite(step[axis]) && step[axis] > 0)) {
      return job::Outcome::refused("Every spacing must be a number above 0.");
    }
    if (!std::isfinite(at[axis])) return job::Outcome::refused("The origin must be finite.");
  }
  grid.origin = at;
  grid.spacing = step;
  return job::Outcome::done();
}

job::Outcome export_grid_file(const GridRequest& grid, std::string_view origin, std::string_view spacing,
                              const std::string& output, job::Hooks& hooks) {
  if (grid.values_per_node != 1) {
    return job::Outcome::refused("Export writes files of one value per node; this one has " +
                                 std::to_string(grid.values_per_node) + ".");
  }
  ExportRequest request;
  if (!three_numbers(origin, request.origin)) {
    return job::Outcome::refused("Type the origin as three numbers X0,Y0,Z0, got '" + std::string(origin) +
                                 "'.");
  }
  if (!three_numbers(spacing, request.spacing)) {
    return job::Outcome::refused("Type the spacing as three numbers DX,DY,DZ, got '" + std::string(spacing) +
                                 "'.");
  }
  request.nodes = {grid.nx, grid.ny, grid.nz};
  char skip[32];
  const std::to_chars_result written = std::to_chars(skip, skip + sizeof skip, grid.skip);
  request.inputs.push_back({grid.path, std::string(skip, written.ptr), {}});
  request.output = output;
  return export_grid(request, hooks);
}

}  // namespace meldrit::gridmap
