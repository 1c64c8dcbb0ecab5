#include "settings/session_settings_file.h"

#include <cmath>
#include <string_view>

#include "textio/field_stream.h"
#include "textio/file_type.h"
#include "textio/number_format.h"
#include "textio/numeric_value.h"
#include "textio/text_writer.h"

namespace meldrit::settings {
namespace {

constexpr const char* kNoFile = "NO FILE";
constexpr const char* kNo = "No";  // the placeholder of the local ccdf panels' paths

// The class table is a window control: a row count past this cannot have been written by us.
constexpr double kMaxClassTableRows = 100000;

class Writer {
 public:
  explicit Writer(textio::TextWriter& out) : out_(out) {}

  void path(const std::string& caption, const char* placeholder) {
    if (textio::trim_blanks(caption).empty()) {
      out_.line() += placeholder;
    } else if (!reads_back_plainly(caption)) {
      // A comma or a line end would end the item early and shift every item after it, and a
      // leading quote would run it on to the next quote: such a caption goes between quotes, and
      // quotes of its own (no file name holds one) cannot stay.
      out_.line() += '"';
      for (const char c : caption) {
        if (c != '"') out_.line() += c;
      }
      out_.line() += '"';
    } else {
      out_.line() += caption;
    }
    end();
  }
  static bool reads_back_plainly(std::string_view caption) {
    if (caption.find_first_of(",\r\n") != std::string_view::npos) return false;
    const std::size_t first = caption.find_first_not_of(' ');
    return first == std::string_view::npos || caption[first] != '"';
  }
  void number(const std::string& text) {
    append_number(text);
    end();
  }
  void append_number(const std::string& text) {
    textio::append_print_number(out_.line(), textio::numeric_value(text));
  }
  void whole(int value) {
    textio::append_print_number(out_.line(), static_cast<double>(value));
    end();
  }
  void choice(bool value) {
    out_.line() += value ? "True" : "False";
    end();
  }
  void end() { ok_ = out_.end_line() && ok_; }
  bool ok() const { return ok_; }

 private:
  textio::TextWriter& out_;
  bool ok_ = true;
};

class Reader {
 public:
  explicit Reader(textio::FieldStream& in, SessionReadResult& result) : in_(in), result_(result) {}

  bool path(std::string& caption, const char* placeholder) {
    std::string_view field;
    if (in_.next_field(field, textio::FieldMode::Text) != textio::ReadStatus::Ok) return false;
    caption = textio::trim_blanks(field) == placeholder ? std::string() : std::string(field);
    return applied();
  }
  bool number_value(double& value) { return in_.next_number(value) == textio::ReadStatus::Ok; }
  bool number(std::string& text) {
    double value = 0;
    if (!number_value(value)) return false;
    text = textio::plain_number(value);
    return applied();
  }
  bool choice(bool& value) {
    std::string_view field;
    if (in_.next_field(field, textio::FieldMode::Text) != textio::ReadStatus::Ok) return false;
    field = textio::trim_blanks(field);
    double number = 0;
    if (field == "True" || field == "true" || field == "TRUE" || field == "#TRUE#") {
      value = true;
    } else if (field == "False" || field == "false" || field == "FALSE" || field == "#FALSE#") {
      value = false;
    } else if (textio::parse_number(field, number)) {
      value = number != 0;
    } else {
      return false;
    }
    return applied();
  }
  bool applied() {
    ++result_.items_read;
    return true;
  }

 private:
  textio::FieldStream& in_;
  SessionReadResult& result_;
};

bool read_items(textio::FieldStream& in, SessionReadResult& result) {
  SessionSettings& s = result.settings;
  Reader read(in, result);
  if (!read.path(s.multiphase_path, kNoFile) || !read.path(s.variable_path, kNoFile) ||
      !read.number(s.multiphase_skip) || !read.number(s.variable_skip) || !read.number(s.phase_count) ||
      !read.number(s.variable_class_count)) {
    return false;
  }
  for (int i = 0; i < 3; ++i) {
    if (!read.number(s.node_counts[i])) return false;
  }

  double rows = 0;
  if (!read.number_value(rows)) return false;
  // A row count is a whole number; the grid rounds a fraction half to even.
  rows = std::nearbyint(rows);
  if (!(rows >= 1 && rows <= kMaxClassTableRows)) return false;
  s.class_table_rows = static_cast<int>(rows);
  s.class_rows.assign(static_cast<std::size_t>(s.class_table_rows - 1), ClassTableRow{});
  read.applied();
  for (std::size_t r = 0; r < s.class_rows.size(); ++r) {
    ClassTableRow& row = s.class_rows[r];
    row.label = "lit.  " + std::to_string(r + 1);
    if (!read.number(row.skip) || !read.path(row.path, kNoFile)) return false;
  }

  if (!read.path(s.bihistogram_path, kNoFile) || !read.path(s.multiphase_output_path, kNoFile) ||
      !read.path(s.uniform_input_path, kNoFile) || !read.number(s.uniform_skip) ||
      !read.path(s.uniform_output_path, kNoFile) || !read.path(s.probability_path, kNo) ||
      !read.number(s.probability_skip)) {
    return false;
  }
  for (int i = 3; i < 6; ++i) {
    if (!read.number(s.node_counts[i])) return false;
  }
  return read.path(s.local_uniform_path, kNo) && read.number(s.local_uniform_skip) &&
         read.path(s.local_output_path, kNo) && read.choice(s.continuous_output);
}

}  // namespace

std::string session_settings_path(const std::string& program_folder) {
  return program_folder + "/meldrit.ini";
}

bool write_session_settings(const std::string& path, const SessionSettings& s) {
  textio::TextWriter out;
  if (!out.create(path)) return false;
  Writer write(out);
  write.path(s.multiphase_path, kNoFile);
  write.path(s.variable_path, kNoFile);
  write.number(s.multiphase_skip);
  write.number(s.variable_skip);
  write.number(s.phase_count);
  write.number(s.variable_class_count);
  for (int i = 0; i < 3; ++i) write.number(s.node_counts[i]);
  write.whole(s.class_table_rows);
  for (int r = 1; r < s.class_table_rows; ++r) {
    const std::size_t index = static_cast<std::size_t>(r - 1);
    const ClassTableRow row = index < s.class_rows.size() ? s.class_rows[index] : ClassTableRow{};
    write.number(row.skip);
    write.path(row.path, kNoFile);
  }
  write.path(s.bihistogram_path, kNoFile);
  write.path(s.multiphase_output_path, kNoFile);
  write.path(s.uniform_input_path, kNoFile);
  write.number(s.uniform_skip);
  write.path(s.uniform_output_path, kNoFile);
  write.path(s.probability_path, kNo);
  write.number(s.probability_skip);
  for (int i = 3; i < 6; ++i) write.append_number(s.node_counts[i]);
  write.end();
  write.path(s.local_uniform_path, kNo);
  write.number(s.local_uniform_skip);
  write.path(s.local_output_path, kNo);
  write.choice(s.continuous_output);
  const bool closed = out.close();
  return write.ok() && closed;
}

SessionReadResult read_session_settings_file(const std::string& path) {
  SessionReadResult result;
  textio::FieldStream in(64 * 1024);
  if (!in.open(path)) return result;
  result.complete = read_items(in, result);
  in.close();
  return result;
}

}  // namespace meldrit::settings
