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
    } else {
      out_.line() += caption;
    }
    end();
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
  if (!read.path(s.in1, kNoFile) || !read.path(s.in2, kNoFile) || !read.number(s.linhas1) ||
      !read.number(s.linhas2) || !read.number(s.verlito) || !read.number(s.vervar)) {
    return false;
  }
  for (int i = 0; i < 3; ++i) {
    if (!read.number(s.text2[i])) return false;
  }

  double rows = 0;
  if (!read.number_value(rows)) return false;
  // A row count is a whole number; the grid rounds a fraction half to even.
  rows = std::nearbyint(rows);
  if (!(rows >= 1 && rows <= kMaxClassTableRows)) return false;
  s.griduni_rows = static_cast<int>(rows);
  s.class_rows.assign(static_cast<std::size_t>(s.griduni_rows - 1), ClassTableRow{});
  read.applied();
  for (std::size_t r = 0; r < s.class_rows.size(); ++r) {
    ClassTableRow& row = s.class_rows[r];
    row.label = "lit.  " + std::to_string(r + 1);
    if (!read.number(row.skip) || !read.path(row.path, kNoFile)) return false;
  }

  if (!read.path(s.binn, kNoFile) || !read.path(s.out1, kNoFile) || !read.path(s.uniformin, kNoFile) ||
      !read.number(s.skipuniform) || !read.path(s.uniformout, kNoFile) || !read.path(s.label18, kNo) ||
      !read.number(s.text3)) {
    return false;
  }
  for (int i = 3; i < 6; ++i) {
    if (!read.number(s.text2[i])) return false;
  }
  return read.path(s.label22, kNo) && read.number(s.text4) && read.path(s.label23, kNo) &&
         read.choice(s.option1);
}

}  // namespace

std::string session_settings_path(const std::string& program_folder) {
  return program_folder + "/meldrit.ini";
}

bool write_session_settings(const std::string& path, const SessionSettings& s) {
  textio::TextWriter out;
  if (!out.create(path)) return false;
  Writer write(out);
  write.path(s.in1, kNoFile);
  write.path(s.in2, kNoFile);
  write.number(s.linhas1);
  write.number(s.linhas2);
  write.number(s.verlito);
  write.number(s.vervar);
  for (int i = 0; i < 3; ++i) write.number(s.text2[i]);
  write.whole(s.griduni_rows);
  for (int r = 1; r < s.griduni_rows; ++r) {
    const std::size_t index = static_cast<std::size_t>(r - 1);
    const ClassTableRow row = index < s.class_rows.size() ? s.class_rows[index] : ClassTableRow{};
    write.number(row.skip);
    write.path(row.path, kNoFile);
  }
  write.path(s.binn, kNoFile);
  write.path(s.out1, kNoFile);
  write.path(s.uniformin, kNoFile);
  write.number(s.skipuniform);
  write.path(s.uniformout, kNoFile);
  write.path(s.label18, kNo);
  write.number(s.text3);
  for (int i = 3; i < 6; ++i) write.append_number(s.text2[i]);
  write.end();
  write.path(s.label22, kNo);
  write.number(s.text4);
  write.path(s.label23, kNo);
  write.choice(s.option1);
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
