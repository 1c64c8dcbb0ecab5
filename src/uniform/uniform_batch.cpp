#include "uniform/uniform_batch.h"

#include "settings/suite_preferences.h"
#include "textio/file_type.h"
#include "uniform/column_pick.h"
#include "uniform/column_scan.h"

namespace meldrit::uniform {

job::Outcome run_uniform_batch(const UniformBatchRequest& request, const ProgramRunner& runner,
                               job::Hooks& hooks) {
  for (const auto& [path, type] : {std::pair{&request.input_path, &textio::file_types::kColumnDataInput},
                                   std::pair{&request.output_path, &textio::file_types::kColumnDataOutput}}) {
    if (!type->matches(*path)) return job::Outcome::refused(type->wrong_type_message);
  }
  const ColumnScan scan =
      scan_column_file(request.input_path, request.skip, request.option, request.program_folder, hooks);
  if (!scan.outcome.completed()) return scan.outcome;

  // Nothing is picked outside the variable columns, and nothing was yellow before.
  const auto pick = pick_column(request.column, scan.columns, first_variable_column(request.option), -1);

  RunRequest run;
  run.input_caption = request.input_path;
  run.output_caption = request.output_path;
  run.skip_text = request.skip;
  run.option = request.option;
  run.columns_text = std::to_string(scan.columns);
  run.samples_text = std::to_string(scan.samples);
  run.selected_column = pick ? pick->selected : -1;
  run.program_folder = request.program_folder;
  run.window_mode = settings::read_window_mode(settings::preferences_path(request.program_folder));
  return run_uniform(run, runner, hooks);
}

}  // namespace meldrit::uniform
