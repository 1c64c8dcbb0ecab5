#include "pfield_multiphase/multiphase_messages.h"

#include "textio/number_format.h"

namespace meldrit::pfield_multiphase::messages {

std::string node_count_too_large(std::string_view axis) {
  return "Illegal value for number " + std::string(axis) + " nodes! (1-1000)";
}

std::string missing_phase_file(int row) {
  return "Please select input data file associate with class - " + textio::message_number(row);
}

std::string cannot_open(std::string_view what, std::string_view path) {
  return "Cannot open " + std::string(what) + ": " + std::string(path);
}

std::string cannot_read(std::string_view what, std::string_view path) {
  return "Cannot read " + std::string(what) + ": " + std::string(path);
}

std::string cannot_create_output(std::string_view path) {
  return "Cannot create output file: " + std::string(path);
}

std::string ends_before_last_node(std::string_view what) {
  std::string text(what);
  if (!text.empty() && text[0] >= 'a' && text[0] <= 'z') text[0] = static_cast<char>(text[0] - 'a' + 'A');
  return text + " ends before the last node!";
}

std::string phase_file_name(int phase) {
  return "input data file associate with class - " + textio::message_number(phase);
}

std::string too_many_phases(int limit) {
  return "Too many classes: at most " + std::to_string(limit) + " phase uniform files can be read together!";
}

std::string value_out_of_range(long long node) {
  return "Value out of range at node " + std::to_string(node) + "!";
}

std::string too_many_phase_files(std::size_t given, std::size_t rows) {
  return std::to_string(given) + " files given, but the class table has " + std::to_string(rows) +
         " phase rows";
}

}  // namespace meldrit::pfield_multiphase::messages
