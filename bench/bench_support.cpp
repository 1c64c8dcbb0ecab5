#include "bench_support.h"

#include <time.h>
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <vector>

#include "textio/number_format.h"
#include "textio/text_writer.h"

namespace meldrit::bench {
namespace {

constexpr std::size_t kBlock = std::size_t{1} << 20;

inline bool is_separator(char c) {
  return c == ' ' || c == '\t' || c == ',' || c == '\r' || c == '\n';
}

class BlockWriter {
 public:
  explicit BlockWriter(const std::string& path) : file_(std::fopen(path.c_str(), "wb")) {
    if (!file_) throw std::runtime_error("cannot create " + path);
    buffer_.reserve(kBlock + 4096);
  }
  ~BlockWriter() {
    flush();
    std::fclose(file_);
  }
  void fixed6(double value) {
    char digits[32];
    const auto result = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, 6);
    buffer_.append(digits, result.ptr);
  }
  void put(const char* text) {
    buffer_ += text;
    if (buffer_.size() >= kBlock) flush();
  }
  // A GeoEAS header when the shape asks for one: the title, the number of variables, their names.
  void header(Shape shape, const char* title, const std::vector<std::string>& names) {
    if (shape != Shape::Gslib) return;
    buffer_ += std::string(title) + "\r\n" + std::to_string(names.size()) + "\r\n";
    for (const std::string& name : names) buffer_ += name + "\r\n";
  }

 private:
  void flush() {
    std::fwrite(buffer_.data(), 1, buffer_.size(), file_);
    buffer_.clear();
  }
  std::FILE* file_;
  std::string buffer_;
};

}  // namespace

ParseTotals parse_only(const std::string& path, std::uint64_t skip_lines) {
  ParseTotals totals;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) throw std::runtime_error("cannot open " + path);
  std::vector<char> buffer(kBlock + 256);
  std::size_t kept = 0;  // a field cut by the block end moves to the front
  bool done = false;
  while (!done) {
    const std::size_t got = std::fread(buffer.data() + kept, 1, kBlock, file);
    totals.bytes += got;
    done = got == 0;
    const char* p = buffer.data();
    const char* end = p + kept + got;
    while (skip_lines > 0 && p < end) {
      const char* line_end =
          static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
      if (!line_end) {
        p = end;
        break;
      }
      p = line_end + 1;
      --skip_lines;
    }
    for (;;) {
      while (p < end && is_separator(*p)) ++p;
      const char* start = p;
      while (p < end && !is_separator(*p)) ++p;
      if (p == end && !done) {
        kept = static_cast<std::size_t>(end - start);
        std::memmove(buffer.data(), start, kept);
        break;
      }
      if (start == p) {
        kept = 0;
        break;
      }
      double value = 0;
      std::from_chars(start, p, value);
      totals.sum += value;
      ++totals.fields;
    }
  }
  std::fclose(file);
  return totals;
}

void write_probability_file(const std::string& path, std::uint64_t nodes, int thresholds, std::uint64_t seed,
                            Shape shape) {
  BlockWriter out(path);
  std::vector<std::string> names;
  for (int j = 1; j <= thresholds; ++j) names.push_back("P(Z <= z" + std::to_string(j) + ")");
  out.header(shape, "local ccdfs", names);
  std::mt19937_64 random(seed);
  std::uniform_real_distribution<double> uniform(0.0, 1.0);
  std::vector<double> c(static_cast<std::size_t>(thresholds));
  for (std::uint64_t i = 0; i < nodes; ++i) {
    for (double& x : c) x = uniform(random);
    std::sort(c.begin(), c.end());
    for (int j = 0; j < thresholds; ++j) {
      if (j > 0) out.put(" ");
      out.fixed6(c[static_cast<std::size_t>(j)]);
    }
    out.put("\r\n");
  }
}

void write_uniform_file(const std::string& path, std::uint64_t nodes, std::uint64_t seed, Shape shape) {
  BlockWriter out(path);
  out.header(shape, "p-field", {"uniform"});
  std::mt19937_64 random(seed);
  std::uniform_real_distribution<double> uniform(0.0, 1.0);
  for (std::uint64_t i = 0; i < nodes; ++i) {
    out.fixed6(uniform(random));
    out.put("\r\n");
  }
}

void write_codes_file(const std::string& path, std::uint64_t nodes, int count, std::uint64_t seed,
                      Shape shape) {
  BlockWriter out(path);
  out.header(shape, "codes", {"code"});
  std::mt19937_64 random(seed);
  char line[] = "1\r\n";
  for (std::uint64_t i = 0; i < nodes; ++i) {
    line[0] = static_cast<char>('1' + random() % static_cast<unsigned>(count));
    out.put(line);
  }
}

void write_bihistogram_file(const std::string& path, int phases, int classes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) throw std::runtime_error("cannot create " + path);
  std::fprintf(file, "%d %d\r\n", phases, classes);
  for (int p = 1; p <= phases; ++p) {
    for (int c = 1; c <= classes; ++c) {
      std::fprintf(file, "%d %d 10\r\n", p, c);
      for (int k = 0; k < 10; ++k) std::fprintf(file, "%g %g\r\n", 100.0 * p + 10.0 * c * k, k / 9.0);
    }
  }
  std::fclose(file);
}

void write_column_file(const std::string& path, std::uint64_t samples, Shape shape) {
  std::mt19937_64 random(3);
  std::uniform_real_distribution<double> value(0.0, 1000.0);
  if (shape == Shape::Gslib) {
    BlockWriter out(path);
    out.header(shape, "samples", {"x", "y", "z", "porosity", "grade"});
    for (std::uint64_t i = 0; i < samples; ++i) {
      const double fields[] = {static_cast<double>(i % 1000) * 2.5,
                               static_cast<double>(i / 1000 % 1000) * 2.5, static_cast<double>(i / 1000000),
                               value(random), value(random)};
      for (int f = 0; f < 5; ++f) {
        if (f > 0) out.put(" ");
        out.fixed6(fields[f]);
      }
      out.put("\r\n");
    }
    return;
  }
  textio::TextWriter writer;
  if (!writer.create(path)) throw std::runtime_error("cannot create " + path);
  writer.write_line("x y z porosity grade");
  for (std::uint64_t i = 0; i < samples; ++i) {
    std::string& line = writer.line();
    textio::append_print_number(line, static_cast<double>(i % 1000) * 2.5);
    textio::append_print_number(line, static_cast<double>(i / 1000 % 1000) * 2.5);
    textio::append_print_number(line, static_cast<double>(i / 1000000));
    textio::append_print_number(line, std::round(value(random) * 1e4) / 1e4);
    textio::append_print_number(line, std::round(value(random) * 100) / 100);
    writer.end_line();
  }
  writer.close();
}

void write_values_file(const std::string& path, std::uint64_t count) {
  BlockWriter out(path);
  std::mt19937_64 random(11);
  std::uniform_real_distribution<double> uniform(-200.0, 1000.0);
  char line[40];
  for (std::uint64_t i = 0; i < count; ++i) {
    double v = uniform(random);
    if (i % 5 == 0) v = std::round(v * 100) / 100;
    std::snprintf(line, sizeof line, "%.15g\r\n", v);
    out.put(line);
  }
}

double thread_cpu_seconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

std::uint64_t file_size(const std::string& path) {
  return std::filesystem::file_size(path);
}

std::string data_folder() {
  const char* folder = std::getenv("MELDRIT_BENCH_DATA");
  std::string result = folder && *folder ? folder : "/tmp/meldrit-bench";
  std::filesystem::create_directories(result);
  return result;
}

std::uint64_t env_count(const char* name, std::uint64_t fallback) {
  const char* text = std::getenv(name);
  if (!text || !*text) return fallback;
  return static_cast<std::uint64_t>(std::strtod(text, nullptr));
}

}  // namespace meldrit::bench
