#pragma once

#include <string>
#include <vector>

#include "app/platform_services.h"
#include "job/request_file.h"

class QPushButton;
class QWidget;

namespace meldrit::app {

// The "Save request..." button of a run panel, named "saveRequest".
QPushButton* makeSaveRequestButton(QWidget* panel);

// A number as the batch front end reads it back to the same value: the shortest exact form.
std::string numberText(double value);

// "Save request...": asks for the file, then writes the request that `meldrit-cli COMMAND OPTIONS`
// would save, never over one of `job_files`, and tells how that went.
void saveRequest(PlatformServices& platform, const std::string& command,
                 const std::vector<job::RequestOption>& options, const std::vector<std::string>& job_files);

}  // namespace meldrit::app
