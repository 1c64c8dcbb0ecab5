#include "pfield_multiphase/multiphase_run.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <memory>
#include <optional>
#include <tuple>

#include "pfield_multiphase/masked_output.h"
#include "pfield_multiphase/multiphase_messages.h"
#include "textio/field_stream.h"
#include "textio/file_type.h"
#include "textio/number_format.h"
#include "textio/numeric_value.h"
#include "textio/parallel_fields.h"
#include "textio/system_files.h"

namespace meldrit::pfield_multiphase {
namespace {

using textio::FieldStream;
using textio::ParallelFieldStream;
using textio::ReadStatus;

constexpr int kMaxPoints = 50;

// Files the run holds besides the phase uniform files (multiphase, variable, output), plus the
// standard streams and a margin for whatever the process has open.
constexpr int kOtherFiles = 3 + 3 + 16;

// Code files hold a value every three bytes or so: their chunks are smaller, so that the values a
// chunk holds take about the memory of a uniform file's.
constexpr std::uint64_t kCodeChunk = ParallelFieldStream::kChunk / 4;

// Node files parsed ahead on worker threads at most; more are read on the run's own thread.
constexpr long long kMostParsedAhead = 6;

struct CcdfTable {
  int points = 0;
  bool increasing = true;  // F never decreases: the interval can be found without a search loop
  std::array<float, kMaxPoints> z{};
  std::array<float, kMaxPoints> f{};
};

// The interval [k, k + 1] that the run uses for u: the last one with F_k <= u <= F_(k+1), or -1.
int matching_interval(const CcdfTable& table, float u) {
  if (table.increasing) {
    // With F never decreasing, the last match is the last interval whose lower point is <= u,
    // provided u does not lie above its upper point. Counting avoids a branch per point.
    int below = 0;
    for (int k = 0; k < table.points - 1; ++k) below += table.f[k] <= u ? 1 : 0;
    const int k = below - 1;
    return k >= 0 && u <= table.f[k + 1] ? k : -1;
  }
  for (int k = table.points - 2; k >= 0; --k) {
    if (table.f[k] <= u && u <= table.f[k + 1]) return k;
  }
  return -1;
}

// std::nearbyint for a code of at least 1, halves to even, without a library call (there is no
// rounding instruction before SSE4.1): below 2^52 adding and taking away 2^52 rounds in the
// default mode, at and above it every double is whole.
inline double nearest_whole(double code) {
  constexpr double kTwoTo52 = 4503599627370496.0;
  return code < kTwoTo52 ? (code + kTwoTo52) - kTwoTo52 : code;
}

// How many times a 1-based loop "for i = 1 to count" runs, for a count read from a caption.
long long loop_count(double count) {
  if (!(count >= 1)) return 0;
  return count >= 9.0e15 ? static_cast<long long>(9.0e15) : static_cast<long long>(std::floor(count));
}

// Every phase uniform file has its own read buffer; many phases share a bounded budget.
std::size_t phase_block_size(long long phases) {
  constexpr std::size_t kBudget = std::size_t{16} << 20;
  constexpr std::size_t kSmallest = std::size_t{64} << 10;
  if (phases <= 16) return FieldStream::kDefaultBlock;
  return std::max(kSmallest, kBudget / static_cast<std::size_t>(phases));
}

class Run {
 public:
  Run(const RunInputs& inputs, job::Hooks& hooks, ImportAlongside* along = nullptr)
      : in_(inputs), hooks_(hooks), along_(along) {}

  job::Outcome execute();

 private:
  enum class Read { Ok, End, Error };

  // A field that does not hold a number reads as 0 (the stream sets it so) and counts as read.
  static Read read(ReadStatus status) {
    switch (status) {
      case ReadStatus::Ok:
      case ReadStatus::NotNumeric:
        return Read::Ok;
      case ReadStatus::EndOfFile:
        return Read::End;
      case ReadStatus::IoError:
        break;
    }
    return Read::Error;
  }
  template <typename Stream>
  static Read number(Stream& stream, double& value) {
    return read(stream.next_number(value));
  }
  template <typename Stream>
  static Read skip(Stream& stream) {
    return read(stream.skip_field());
  }

  job::Outcome failed(std::string_view message) {
    close_all();
    return job::Outcome::failed(message);
  }
  void close_all() {
    bihistogram_.close();
    // An importing pass reads the code files on to their ends first.
    if (along_ == nullptr) close_code_files();
    for (auto& stream : phase_files_) {
      if (stream) stream->close();
    }
    output_.close();
  }

  void close_code_files() {
    if (multiphase_) multiphase_->close();
    if (variable_) variable_->close();
  }
  // Reads the code files on from where the run stopped, for their scans; false when cancelled.
  bool import_rest();
  // The code of the node from a code file; an importing pass also hands it to the file's scan.
  Read code(ParallelFieldStream& stream, CodeScan& scan, double& value) {
    const ReadStatus status = stream.next_number(value);
    if (along_ != nullptr) scan.take(status, value);
    return read(status);
  }
  std::uint64_t codes_scanned() const { return along_->phases.codes + along_->classes.codes; }
  std::optional<job::Outcome> read_bihistogram();
  job::Outcome simulate();
  std::uint64_t bytes_read() const;

  const RunInputs& in_;
  job::Hooks& hooks_;
  ImportAlongside* along_;
  CodeScan unused_scan_;
  bool multiphase_open_ = false;
  bool variable_open_ = false;
  long long phase_count_ = 0;
  long long class_count_ = 0;
  std::string bihistogram_path_;
  std::string multiphase_path_;
  std::string variable_path_;
  std::string output_path_;
  std::vector<CcdfTable> tables_;  // (p, c) at (p - 1) * class_count_ + (c - 1)
  FieldStream bihistogram_;
  // The node files are parsed ahead, one worker each, while few enough of them to go round the
  // cores; many phases are read each by one stream.
  int workers_ = 0;
  std::unique_ptr<ParallelFieldStream> multiphase_;
  std::unique_ptr<ParallelFieldStream> variable_;
  std::vector<std::unique_ptr<ParallelFieldStream>> phase_files_;
  MaskedOutput output_;
};

job::Outcome Run::execute() {
  if (along_ == nullptr) {
    if (job::Outcome checked = check_run_inputs(in_); !checked.completed()) return checked;
  }
  bihistogram_path_ = std::string(textio::trim_blanks(in_.bihistogram_path));
  output_path_ =
      along_ != nullptr ? along_->staged_output : std::string(textio::trim_blanks(in_.output_path));
  multiphase_path_ = std::string(textio::trim_blanks(in_.multiphase_path));
  variable_path_ = std::string(textio::trim_blanks(in_.variable_path));
  phase_count_ = loop_count(in_.phases);
  class_count_ = loop_count(in_.variable_classes);
  if (along_ == nullptr) hooks_.checks_passed();
  job::Outcome outcome = [this] {
    if (auto failure = read_bihistogram()) return *failure;
    return simulate();
  }();
  if (along_ != nullptr) {
    if (outcome.ending != job::Ending::Cancelled && !import_rest()) {
      outcome = job::Outcome::cancelled(job::kRunCancelled);
    }
    close_code_files();
  }
  return outcome;
}

bool Run::import_rest() {
  job::ProgressTicker ticker(hooks_, 0, 0);
  for (auto [stream, open, scan] : {std::tuple{multiphase_.get(), multiphase_open_, &along_->phases},
                                    std::tuple{variable_.get(), variable_open_, &along_->classes}}) {
    if (!open) continue;
    for (;;) {
      double value = 0;
      const ReadStatus status = stream->next_number(value);
      if (!scan->take(status, value)) break;
      if ((scan->codes & 1023) == 0 && !ticker.tick(0, codes_scanned())) return false;
    }
  }
  return true;
}

std::uint64_t Run::bytes_read() const {
  std::uint64_t bytes = 0;
  for (const auto* stream : {multiphase_.get(), variable_.get()})
    bytes += stream ? stream->bytes_consumed() : 0;
  for (const auto& stream : phase_files_) bytes += stream ? stream->bytes_consumed() : 0;
  return bytes;
}

std::optional<job::Outcome> Run::read_bihistogram() {
  if (!bihistogram_.open(bihistogram_path_)) {
    return failed(messages::cannot_open(messages::kBihistogramFileName, bihistogram_path_));
  }
  auto cut_short = [this](Read read) {
    return read == Read::End
               ? failed(messages::kBihistogramShort)
               : failed(messages::cannot_read(messages::kBihistogramFileName, bihistogram_path_));
  };
  double value = 0;
  Read read = number(bihistogram_, value);
  if (read != Read::Ok) return cut_short(read);
  if (value != in_.phases) return failed(messages::kInvalidBihistogram);
  read = number(bihistogram_, value);
  if (read != Read::Ok) return cut_short(read);
  if (value != in_.variable_classes) return failed(messages::kInvalidBihistogram);

  tables_.clear();
  for (long long block = 0; block < phase_count_ * class_count_; ++block) {
    for (int unused = 0; unused < 2; ++unused) {
      if ((read = skip(bihistogram_)) != Read::Ok) return cut_short(read);
    }
    if ((read = number(bihistogram_, value)) != Read::Ok) return cut_short(read);
    // The count is held as a 16-bit whole number: rounded, halves to even.
    const double points = std::nearbyint(value);
    if (!(points >= 2 && points <= kMaxPoints)) return failed(messages::kInvalidPointCount);
    CcdfTable& table = tables_.emplace_back();
    table.points = static_cast<int>(points);
    for (int k = 0; k < table.points; ++k) {
      if ((read = number(bihistogram_, value)) != Read::Ok) return cut_short(read);
      table.z[k] = static_cast<float>(value);
      if ((read = number(bihistogram_, value)) != Read::Ok) return cut_short(read);
      table.f[k] = static_cast<float>(value);
      if (k > 0 && !(table.f[k - 1] <= table.f[k])) table.increasing = false;
    }
  }
  bihistogram_.close();
  return std::nullopt;
}

job::Outcome Run::simulate() {
  const bool by_phase = !multiphase_path_.empty();
  const bool by_class = !variable_path_.empty();
  workers_ = phase_count_ + 2 <= kMostParsedAhead ? 1 : 0;
  // A file shorter than its header is found at the first node, where it ends too soon.
  bool header_read = false;
  if (by_phase) {
    multiphase_ = std::make_unique<ParallelFieldStream>(workers_, FieldStream::kDefaultBlock, kCodeChunk);
    if (!multiphase_->open(multiphase_path_, in_.multiphase_skip, header_read)) {
      return failed(messages::cannot_open(messages::kMultiphaseFileName, multiphase_path_));
    }
    multiphase_open_ = true;
  }
  if (by_class) {
    variable_ = std::make_unique<ParallelFieldStream>(workers_, FieldStream::kDefaultBlock, kCodeChunk);
    if (!variable_->open(variable_path_, in_.variable_skip, header_read)) {
      return failed(messages::cannot_open(messages::kVariableFileName, variable_path_));
    }
    variable_open_ = true;
  }
  if (!output_.create(output_path_, in_.header)) return failed(messages::cannot_create_output(output_path_));

  const std::size_t block = phase_block_size(phase_count_);
  phase_files_.clear();
  for (long long q = 1; q <= phase_count_; ++q) {
    const ClassRow& row = in_.class_rows[static_cast<std::size_t>(q - 1)];
    if (row.generated) {
      phase_files_.emplace_back();
      continue;
    }
    const std::string path(textio::trim_blanks(row.path));
    auto& stream = phase_files_.emplace_back(std::make_unique<ParallelFieldStream>(workers_, block));
    if (!stream->open(path, textio::numeric_value(row.skip), header_read)) {
      return failed(messages::cannot_open(messages::phase_file_name(static_cast<int>(q)), path));
    }
  }

  auto read_failure = [this](Read read, std::string_view what, const std::string& path) {
    return read == Read::End ? failed(messages::ends_before_last_node(what))
                             : failed(messages::cannot_read(what, path));
  };
  // The boxes hold at most 1000 each, but a caller may pass any count; the inputs run out long
  // before a product beyond the range would be reached.
  const long double product =
      static_cast<long double>(loop_count(in_.nx)) * loop_count(in_.ny) * loop_count(in_.nz);
  const long long nodes = product >= static_cast<long double>(std::numeric_limits<long long>::max())
                              ? std::numeric_limits<long long>::max()
                              : static_cast<long long>(product);
  std::uint64_t bytes_total = 0;
  for (const std::string* path : {&multiphase_path_, &variable_path_})
    bytes_total += textio::file_size_or_zero(*path);
  for (const ClassRow& row : in_.class_rows) {
    if (!row.generated) bytes_total += textio::file_size_or_zero(std::string(textio::trim_blanks(row.path)));
  }
  // An importing pass counts the codes read, as the import does.
  job::ProgressTicker ticker(hooks_, bytes_total, along_ ? 0 : static_cast<std::uint64_t>(nodes));
  for (long long node = 0; node < nodes; ++node) {
    // The bytes read are summed over the node files only every so many nodes: per node that sum
    // would cost more than the node itself.
    if ((node & 1023) == 0 &&
        !ticker.tick(bytes_read(), along_ ? codes_scanned() : static_cast<std::uint64_t>(node))) {
      close_all();
      return job::Outcome::cancelled(job::kRunCancelled);
    }
    double code = 1;
    Read read = Read::Ok;
    if (by_phase &&
        (read = this->code(*multiphase_, along_ ? along_->phases : unused_scan_, code)) != Read::Ok) {
      return read_failure(read, messages::kMultiphaseFileName, multiphase_path_);
    }
    if (code < 1 || code > in_.phases) return failed(messages::kPhaseError);
    // Codes index the tables rounded to the nearest whole number, halves to even.
    const long long p = static_cast<long long>(nearest_whole(code));

    code = 1;
    if (by_class &&
        (read = this->code(*variable_, along_ ? along_->classes : unused_scan_, code)) != Read::Ok) {
      return read_failure(read, messages::kVariableFileName, variable_path_);
    }
    if (code < 1 || code > in_.variable_classes) return failed(messages::kVariableClassError);
    const long long c = static_cast<long long>(nearest_whole(code));

    // Every phase file advances at every node; only the node's own phase is converted.
    float u = 0;
    for (long long q = 1; q <= phase_count_; ++q) {
      ParallelFieldStream* stream = phase_files_[static_cast<std::size_t>(q - 1)].get();
      textio::NumberSource* generated = in_.class_rows[static_cast<std::size_t>(q - 1)].generated;
      if (q == p) {
        double value = 0;
        read = stream ? number(*stream, value) : number(*generated, value);
        u = static_cast<float>(value);
      } else {
        read = stream ? skip(*stream) : skip(*generated);
      }
      if (read != Read::Ok) {
        const ClassRow& row = in_.class_rows[static_cast<std::size_t>(q - 1)];
        return read_failure(read, messages::phase_file_name(static_cast<int>(q)),
                            std::string(textio::trim_blanks(row.path)));
      }
    }

    // A code rounded past a fractional count names a table the file did not hold: no points.
    float z_lo = 0, z_hi = 0, f_lo = 0, f_hi = 0;
    if (p <= phase_count_ && c <= class_count_) {
      const CcdfTable& table = tables_[static_cast<std::size_t>((p - 1) * class_count_ + (c - 1))];
      const int k = matching_interval(table, u);
      if (k >= 0) {
        z_lo = table.z[k];
        z_hi = table.z[k + 1];
        f_lo = table.f[k];
        f_hi = table.f[k + 1];
      }
    }
    float value = z_lo;
    if (f_hi - f_lo > 0.0f) value = z_lo + (u - f_lo) * (z_hi - z_lo) / (f_hi - f_lo);

    // Points near the ends of the float range can overflow; no mask can write what is not a number.
    if (!std::isfinite(value)) return failed(messages::value_out_of_range(node + 1));
    if (!output_.push(value)) return failed(messages::cannot_write_output(output_path_));
  }
  // The nodes after the last poll count too: the progress ends at the run's node count.
  if (along_ == nullptr) {
    ticker.finish(bytes_read(), static_cast<std::uint64_t>(nodes));
    close_code_files();
  }
  for (auto& stream : phase_files_) {
    if (stream) stream->close();
  }
  if (!output_.close()) return failed(messages::cannot_write_output(output_path_));
  return job::Outcome::done(messages::kCompleted);
}

}  // namespace

job::Outcome check_run_inputs(const RunInputs& in) {
  const auto& rows = in.class_rows;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    if (!rows[r].generated && textio::trim_blanks(rows[r].path).empty()) {
      return job::Outcome::refused(messages::missing_phase_file(static_cast<int>(r + 1)));
    }
  }
  const std::string bihistogram_path(textio::trim_blanks(in.bihistogram_path));
  if (bihistogram_path.empty()) return job::Outcome::refused(messages::kMissingBihistogram);
  const std::string output_path(textio::trim_blanks(in.output_path));
  if (output_path.empty()) return job::Outcome::refused(messages::kMissingOutput);
  if (textio::same_file(output_path, bihistogram_path)) return job::Outcome::refused(messages::kSameFile);
  for (const std::string_view input : {in.multiphase_path, in.variable_path}) {
    if (!textio::trim_blanks(input).empty() && textio::same_file(output_path, input)) {
      return job::Outcome::refused(messages::kSameFile);
    }
  }
  for (const ClassRow& row : rows) {
    if (!row.generated && textio::same_file(output_path, row.path)) {
      return job::Outcome::refused(messages::kSameFile);
    }
  }
  const long long phase_count = loop_count(in.phases);
  const int allowed = phase_count > kMaxPhases ? kMaxPhases
                                               : textio::system_files::open_file_allowance(
                                                     static_cast<int>(phase_count), kOtherFiles);
  if (phase_count > allowed) return job::Outcome::refused(messages::too_many_phases(allowed));
  // A phase count beyond the table's rows (a hand-edited settings file) leaves those phases
  // without a file, which reads as a row without a path.
  if (phase_count > static_cast<long long>(rows.size())) {
    return job::Outcome::refused(messages::missing_phase_file(static_cast<int>(rows.size() + 1)));
  }
  return job::Outcome::done();
}

job::Outcome run_multiphase_importing(const RunInputs& inputs, ImportAlongside& along, job::Hooks& hooks) {
  return job::guarded(messages::kNotEnoughMemory, [&] {
    Run run(inputs, hooks, &along);
    return run.execute();
  });
}

job::Outcome run_multiphase(const RunInputs& inputs, job::Hooks& hooks) {
  return job::guarded(messages::kNotEnoughMemory, [&] {
    Run run(inputs, hooks);
    return run.execute();
  });
}

}  // namespace meldrit::pfield_multiphase
