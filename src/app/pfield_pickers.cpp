#include "app/pfield_pickers.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

#include "app/file_choice.h"
#include "app/job_panel.h"
#include "app/panel_widgets.h"
#include "app/qt_text.h"
#include "app/text_viewer.h"

namespace meldrit::app {
namespace {

QString indexed(const char* name, int index) {
  return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index);
}

FileDialogRequest outDialog(bool save, const char* title) {
  FileDialogRequest request;
  request.save = save;
  request.title = title;
  request.filter = "(*.OUT)|*.OUT";
  request.filter_index = 1;
  // One flag value serves both dialogs; only the open dialog is restricted by it.
  request.must_exist = true;
  request.default_ext = "*.OUT";
  return request;
}

bool chooseInto(PlatformServices& platform, QLabel* path_label, const FileDialogRequest& request,
                const textio::FileType& type) {
  std::optional<std::string> path = chooseTypedFile(platform, request, type);
  if (!path) return false;
  path_label->setText(qs(*path));
  return true;
}

}  // namespace

bool chooseUniformInput(PlatformServices& platform, QLabel* path_label) {
  return chooseInto(platform, path_label, outDialog(false, "Input Data File (*.OUT)"),
                    textio::file_types::kGridInput);
}

bool chooseOutputFile(PlatformServices& platform, QLabel* path_label) {
  return chooseInto(platform, path_label, outDialog(true, "Output Data File (*.OUT)"),
                    textio::file_types::kGridOutput);
}

PfieldPickers buildPfieldPickers(PlatformServices& platform, int index, QWidget* parent, int input_width) {
  const bool local = index == 1;
  const QIcon view_icon = parent->style()->standardIcon(QStyle::SP_FileDialogContentsView);
  PfieldPickers p;

  p.input_frame =
      makeFrame(parent, indexed("Frame12", index),
                local ? QStringLiteral("Input  Data  File (*.OUT)  Path from  UNIFORM  transformation")
                      : QStringLiteral("Open Input Data File (*.OUT)"));
  p.input_frame->resize(twips(input_width), twips(1900));
  const int skip_left = input_width - 1250;
  QWidget* in = p.input_frame;
  p.select_input = makeButton(in, indexed("Command11", index), QStringLiteral("Select File"),
                              QStringLiteral("Select input data file (*.OUT) from Tavrune"));
  place(p.select_input, 150, 300, 1300, 400);
  p.view_input = makeButton(in, indexed("Command18", index), QStringLiteral("View File"),
                            local ? QStringLiteral("Open and view  input data file (*.OUT).")
                                  : QStringLiteral("Open and view input data file (*.OUT)."));
  p.view_input->setIcon(view_icon);
  place(p.view_input, 1550, 300, 1500, 400);
  p.map_input = makeMapButton(in);
  place(p.map_input, 3150, 300, 1000, 400);
  QLabel* label16 = makeLabel(in, indexed("Label16", index), QStringLiteral("Input  Data File *.OUT  Path"));
  place(label16, 150, 800, 3600, 250);
  QLabel* label19 = makeLabel(in, indexed("Label19", index), QStringLiteral("Skip Lines"));
  place(label19, skip_left, 800, 1100, 250);
  p.input_path = makePathLabel(in, local ? QStringLiteral("Label22") : QStringLiteral("in3"));
  place(p.input_path, 150, 1100, skip_left - 250, 600);
  p.input_skip =
      makeLineEdit(in, local ? QStringLiteral("Text4") : QStringLiteral("in3text"), QStringLiteral("0"));
  place(p.input_skip, skip_left, 1100, 1100, 350);

  p.output_frame =
      makeFrame(parent, indexed("Frame11", index), QStringLiteral("Save Ouput Data File  (*.OUT)"));
  p.output_frame->resize(twips(5400), twips(1900));
  QWidget* out = p.output_frame;
  p.save_output = makeButton(out, indexed("Command5", index), QStringLiteral("Save As"),
                             QStringLiteral("Save output file (*.OUT)."));
  place(p.save_output, 150, 300, 1300, 400);
  p.view_output = makeButton(out, indexed("Command10", index), QStringLiteral("View File"),
                             QStringLiteral("Open and view output file."));
  p.view_output->setIcon(view_icon);
  place(p.view_output, 1550, 300, 1500, 400);
  p.map_output = makeMapButton(out);
  place(p.map_output, 3150, 300, 1000, 400);
  QLabel* label15 = makeLabel(out, indexed("Label15", index), QStringLiteral("Output File *.OUT  Path"));
  place(label15, 150, 800, 3600, 250);
  p.output_path = makePathLabel(out, local ? QStringLiteral("Label23") : QStringLiteral("out1"));
  place(p.output_path, 150, 1100, 5100, 600);

  QLabel* input_path = p.input_path;
  QLabel* output_path = p.output_path;
  PlatformServices* services = &platform;
  QObject::connect(p.select_input, &QPushButton::clicked, in,
                   [services, input_path] { chooseUniformInput(*services, input_path); });
  QObject::connect(p.save_output, &QPushButton::clicked, out,
                   [services, output_path] { chooseOutputFile(*services, output_path); });
  QObject::connect(p.view_input, &QPushButton::clicked, in,
                   [services, input_path] { openInTextEditor(*services, str(input_path->text())); });
  QObject::connect(p.view_output, &QPushButton::clicked, out,
                   [services, output_path] { openInTextEditor(*services, str(output_path->text())); });
  return p;
}

}  // namespace meldrit::app
