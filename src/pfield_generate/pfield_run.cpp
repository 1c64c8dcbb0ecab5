#include "pfield_generate/pfield_run.h"

#include "textio/file_type.h"
#include "textio/number_format.h"
#include "textio/text_writer.h"

namespace meldrit::pfield_generate {

void append_field_lines(std::string& out, std::span<const float> values, bool gaussian) {
  char* place = nullptr;
  std::size_t used = out.size();
  out.resize(used + values.size() * (textio::kPrintNumberRoom + 2));
  place = out.data() + used;
  for (const float value : values) {
    place = textio::write_print_number(place, gaussian ? value : to_uniform(value));
    *place++ = '\r';
    *place++ = '\n';
  }
  out.resize(static_cast<std::size_t>(place - out.data()));
}

job::Outcome write_pfields(const PfieldRunRequest& request, job::Hooks& hooks) {
  if (const std::string fault = check_request(request.field); !fault.empty())
    return job::Outcome::refused(fault);
  const std::uint64_t count = request.last >= request.first ? request.last - request.first + 1 : 0;
  if (count == 0 || request.outputs.size() != count) {
    return job::Outcome::refused("Give one output for each realization.");
  }
  if (textio::any_output_clashes({}, request.outputs)) {
    return job::Outcome::refused("Two realizations cannot write one output file.");
  }
  hooks.checks_passed();
  const GridGeometry& grid = request.field.grid;
  const std::uint64_t nodes = static_cast<std::uint64_t>(grid.nx * grid.ny * grid.nz);
  job::ProgressTicker ticker(hooks, 0, nodes * count);
  std::string block;
  for (std::uint64_t r = 0; r < count; ++r) {
    const std::string& path = request.outputs[r];
    FieldOpen opened = GaussianField::open(request.field, request.first + r, request.phase);
    if (!opened.field) return job::Outcome::refused(opened.error);
    textio::TextWriter output;
    if (!output.create(path) || !textio::write_output_header(output, request.header))
      return job::Outcome::failed(job::cannot_write_output(path));
    std::uint64_t done = 0;
    for (std::span<const float> layers = opened.field->next_layers(); !layers.empty();
         layers = opened.field->next_layers()) {
      // A layer at a time, so that a cancel or a failure leaves whole layers of whole lines.
      const std::size_t per_layer = static_cast<std::size_t>(grid.nx * grid.ny);
      for (std::size_t at = 0; at < layers.size(); at += per_layer) {
        if (!ticker.tick(0, r * nodes + done)) return job::Outcome::cancelled(job::kRunCancelled);
        block.clear();
        append_field_lines(block, layers.subspan(at, per_layer), request.gaussian);
        if (!output.write_lines(block)) return job::Outcome::failed(job::cannot_write_output(path));
        done += per_layer;
      }
    }
    if (!output.close()) return job::Outcome::failed(job::cannot_write_output(path));
  }
  ticker.finish(0, nodes * count);
  return job::Outcome::done(kPfieldWritten);
}

}  // namespace meldrit::pfield_generate
