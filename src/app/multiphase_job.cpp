#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/background_run.h"
#include "app/file_choice.h"
#include "app/flex_grid.h"
#include "app/grid_view.h"
#include "app/job_hooks.h"
#include "app/job_panel.h"
#include "app/node_count_box.h"
#include "app/panel_widgets.h"
#include "app/pfield_pickers.h"
#include "app/qt_text.h"
#include "app/request_save.h"
#include "app/text_viewer.h"
#include "pfield_local/pasted_values.h"
#include "pfield_multiphase/multiphase_import.h"
#include "pfield_multiphase/multiphase_messages.h"
#include "pfield_multiphase/multiphase_run.h"
#include "pfield_multiphase/node_counts.h"
#include "textio/numeric_value.h"

namespace meldrit::app {
namespace {

namespace mp = meldrit::pfield_multiphase;

constexpr Qt::Alignment kCentred = Qt::AlignCenter;

std::string text(const QLabel* label) {
  return str(label->text());
}
std::string text(const QLineEdit* box) {
  return str(box->text());
}

// Double-clicking a path label empties it (the user's way to leave a file out).
class ClearOnDoubleClick : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonDblClick) {
      if (auto* label = qobject_cast<QLabel*>(watched)) label->setText(QString());
    }
    return QObject::eventFilter(watched, event);
  }
};

class MultiphaseJob : public JobPanels {
 public:
  MultiphaseJob(AppContext& context, QWidget* parent) : context_(context), platform_(context.platform) {
    buildFrame1(parent);
    buildFrame4(parent);
    addPanel(frame1_, true);
    addPanel(frame4_, false);
  }

  void beforeRestore() override { griduni_->setCols(3); }

  void restore(const settings::SessionSettings& s) override {
    in1_->setText(qs(s.multiphase_path));
    in2_->setText(qs(s.variable_path));
    linhas1_->setText(qs(s.multiphase_skip));
    linhas2_->setText(qs(s.variable_skip));
    verlito_->setText(qs(s.phase_count));
    vervar_->setText(qs(s.variable_class_count));
    for (int i = 0; i < 3; ++i) text2_[i]->setText(qs(s.node_counts[i]));
    griduni_->setRows(s.class_table_rows);
    for (int r = 1; r < griduni_->rows() && r <= static_cast<int>(s.class_rows.size()); ++r) {
      const settings::ClassTableRow& row = s.class_rows[r - 1];
      griduni_->setText(r, 0, qs(row.label));
      griduni_->setText(r, 1, qs(row.skip));
      griduni_->setText(r, 2, qs(row.path));
      for (int c = 0; c < 3; ++c) griduni_->setCellAlignment(r, c, kCentred);
    }
    binn_->setText(qs(s.bihistogram_path));
    pickers_.output_path->setText(qs(s.multiphase_output_path));
  }

  void afterRestore() override {
    griduni_->setCols(3);
    const char* headers[] = {"Phase", "Skip Lines", "Input File Name"};
    for (int c = 0; c < 3; ++c) {
      griduni_->setText(0, c, QLatin1String(headers[c]));
      griduni_->setCellAlignment(0, c, kCentred);
    }
    griduni_->setColWidthTwips(2, 5200);
    griduni_->setColWidthTwips(1, 1100);
  }

  void save(settings::SessionSettings& s) const override {
    s.multiphase_path = text(in1_);
    s.variable_path = text(in2_);
    s.multiphase_skip = text(linhas1_);
    s.variable_skip = text(linhas2_);
    s.phase_count = text(verlito_);
    s.variable_class_count = text(vervar_);
    for (int i = 0; i < 3; ++i) s.node_counts[i] = text(text2_[i]);
    s.class_table_rows = griduni_->rows();
    s.class_rows.clear();
    for (int r = 1; r < griduni_->rows(); ++r) {
      s.class_rows.push_back(
          {str(griduni_->text(r, 0)), str(griduni_->text(r, 1)), str(griduni_->text(r, 2))});
    }
    s.bihistogram_path = text(binn_);
    s.multiphase_output_path = text(pickers_.output_path);
  }

 private:
  void buildFrame1(QWidget* parent) {
    frame1_ = makeFrame(parent, "Frame1",
                        QStringLiteral("Input Data File (*.OUT):  p- Field algorithm using global ccdf"));
    frame1_->resize(twips(11400), twips(6600));

    QGroupBox* frame17 = makeFrame(frame1_, "Frame17", QStringLiteral("Open Input Data File  (*.OUT)"));
    place(frame17, 240, 360, 10920, 2500);
    place(makeLabel(frame17, "Label26", QStringLiteral("Input Data File *.OUT  Path")), 2400, 300, 4000, 250);
    place(makeLabel(frame17, "Label25", QStringLiteral("Skip Lines")), 7950, 300, 1200, 250);
    op1_ = makeOption(frame17, "op1", QStringLiteral("Multiphase data file"));
    op1_->setChecked(true);
    place(op1_, 150, 650, 2200, 400);
    op2_ = makeOption(frame17, "op2", QStringLiteral("Variable data file"));
    place(op2_, 150, 1200, 2200, 400);
    auto* clear_filter = new ClearOnDoubleClick(frame17);
    in1_ = makePathLabel(frame17, "in1");
    place(in1_, 2400, 650, 5400, 420);
    in1_->installEventFilter(clear_filter);
    in2_ = makePathLabel(frame17, "in2");
    place(in2_, 2400, 1200, 5400, 420);
    in2_->installEventFilter(clear_filter);
    linhas1_ = makeLineEdit(frame17, "linhas1", QStringLiteral("0"));
    place(linhas1_, 7950, 650, 1100, 400);
    place(makeGeoEasButton(frame17, platform_, in1_, linhas1_), 9150, 650, 1000, 400);
    linhas2_ = makeLineEdit(frame17, "linhas2", QStringLiteral("0"));
    place(linhas2_, 7950, 1200, 1100, 400);
    place(makeGeoEasButton(frame17, platform_, in2_, linhas2_), 9150, 1200, 1000, 400);
    QPushButton* command26 = makeButton(frame17, "Command26", QStringLiteral("Select File"),
                                        QStringLiteral("Select the input data file."));
    place(command26, 2400, 1850, 1500, 450);
    QPushButton* command25 = makeButton(frame17, "Command25", QStringLiteral("View File"),
                                        QStringLiteral("Open and view All Data File"));
    command25->setIcon(frame17->style()->standardIcon(QStyle::SP_FileDialogContentsView));
    place(command25, 4050, 1850, 1500, 450);
    QPushButton* command1 = makeButton(frame17, "Command1", QStringLiteral("Import"),
                                       QStringLiteral("Import the selected data files."));
    place(command1, 5700, 1850, 1500, 450);

    QGroupBox* frame2 = makeFrame(frame1_, "Frame2", QStringLiteral("Data File Structure/Grid Settings"));
    place(frame2, 240, 3000, 10920, 2500);
    place(makeLabel(frame2, "Label2(0)", QStringLiteral("Number of classes (detected):")), 150, 500, 3300,
          300);
    verlito_ = makeLabel(frame2, "verlito", QStringLiteral("1"));
    place(verlito_, 3500, 500, 900, 300);
    place(makeLabel(frame2, "Label3", QStringLiteral("Number of Variable class (detected):")), 150, 1100,
          3300, 300);
    vervar_ = makeLabel(frame2, "vervar", QStringLiteral("1"));
    place(vervar_, 3500, 1100, 900, 300);
    QGroupBox* frame3 = makeFrame(frame2, "Frame3", QStringLiteral("Grid Nodes"));
    place(frame3, 5400, 300, 5300, 2000);
    place(makeLabel(frame3, "Label1(3)", QStringLiteral("Grid Nodes")), 150, 300, 1500, 300);
    const char* axis_labels[] = {"Label1(6)", "Label1(5)", "Label1(2)"};
    for (int i = 0; i < 3; ++i) {
      const QString axis = qs(context_.axis_names[i]);
      place(makeLabel(frame3, axis_labels[i], axis), 300 + 1650 * i, 750, 1400, 300);
      text2_[i] = new NodeCountBox(platform_, axis, frame3);
      text2_[i]->setObjectName(QStringLiteral("Text2(%1)").arg(i));
      text2_[i]->setText(QStringLiteral(" "));
      place(text2_[i], 300 + 1650 * i, 1100, 1400, 400);
    }

    QPushButton* command3 =
        makeButton(frame1_, "Command3", QString(), QStringLiteral("Continue and Save these  Options"));
    command3->setIcon(frame1_->style()->standardIcon(QStyle::SP_ArrowForward));
    place(command3, 10200, 5750, 900, 600);

    QObject::connect(command26, &QPushButton::clicked, frame1_, [this] { chooseDataFile(); });
    QObject::connect(command25, &QPushButton::clicked, frame1_,
                     [this] { openInTextEditor(platform_, text(op1_->isChecked() ? in1_ : in2_)); });
    QObject::connect(command1, &QPushButton::clicked, frame1_, [this] { importFiles(); });
    QPushButton* map = makeMapButton(frame17);
    place(map, 7350, 1850, 1100, 450);
    QObject::connect(map, &QPushButton::clicked, frame1_, [this] {
      const bool phases = op1_->isChecked();
      showMap(text(phases ? in1_ : in2_), text(phases ? linhas1_ : linhas2_), true);
    });
    QObject::connect(command3, &QPushButton::clicked, frame1_, [this] { continueToRun(); });
  }

  void buildFrame4(QWidget* parent) {
    frame4_ = makeFrame(parent, "Frame4", QStringLiteral(" p-Field algorithm using global ccdf"));
    frame4_->resize(twips(11400), twips(7600));

    QGroupBox* frame13 =
        makeFrame(frame4_, "Frame13", QStringLiteral("Open Input Bihistogram Data File (*.DAT/*.TXT)"));
    place(frame13, 240, 300, 5400, 1900);
    QPushButton* command16 = makeButton(frame13, "Command16", QStringLiteral("Select File"),
                                        QStringLiteral("Select input bihistogram file"));
    place(command16, 150, 300, 1300, 400);
    QPushButton* command15 = makeButton(frame13, "Command15", QStringLiteral("View File"),
                                        QStringLiteral("Open and view All Bihistogram Data File"));
    command15->setIcon(frame13->style()->standardIcon(QStyle::SP_FileDialogContentsView));
    place(command15, 1550, 300, 1500, 400);
    QPushButton* command4 = makeButton(frame13, "Command4", QStringLiteral("Create Now"),
                                       QStringLiteral("Create bihistogram data file using wordpad."));
    place(command4, 3150, 300, 1500, 400);
    place(makeLabel(frame13, "Label7", QStringLiteral("Input  Bihistogram Data File *.DAT  Path")), 150, 800,
          4000, 250);
    binn_ = makePathLabel(frame13, "binn");
    place(binn_, 150, 1100, 5100, 600);

    pickers_ = buildPfieldPickers(platform_, 0, frame4_);
    pickers_.input_frame->move(twips(5760), twips(300));
    pickers_.output_frame->move(twips(240), twips(2300));

    QPushButton* command2 = makeButton(frame4_, "Command2", QStringLiteral("RUN"),
                                       QStringLiteral("Probability Field Calculation"));
    place(command2, 5760, 2500, 1800, 600);
    QPushButton* command13 = makeButton(frame4_, "Command13", QString(), QStringLiteral("Back"));
    command13->setIcon(frame4_->style()->standardIcon(QStyle::SP_ArrowBack));
    place(command13, 7800, 2500, 900, 600);
    QPushButton* save_request = makeSaveRequestButton(frame4_);
    place(save_request, 8940, 2500, 1800, 600);

    place(makeLabel(frame4_, "Label6",
                    QStringLiteral("Input  Data  File (*.OUT)  Path from  UNIFORM  transformation")),
          240, 4300, 6000, 250);
    griduni_ = new FlexGrid(frame4_);
    griduni_->setObjectName(QStringLiteral("griduni"));
    place(griduni_, 240, 4600, 10920, 2700);
    // Design: the title row and one empty phase row.
    griduni_->setCols(3);
    griduni_->setRows(2);
    griduni_->setFixedRows(1);

    QObject::connect(command16, &QPushButton::clicked, frame4_, [this] { chooseBihistogram(); });
    QObject::connect(command15, &QPushButton::clicked, frame4_,
                     [this] { openInTextEditor(platform_, text(binn_)); });
    QObject::connect(command4, &QPushButton::clicked, frame4_,
                     [this] { createNow(platform_, platform_.programFolder()); });
    QObject::connect(command2, &QPushButton::clicked, frame4_, [this] { run(); });
    QObject::connect(save_request, &QPushButton::clicked, frame4_, [this] { saveRunRequest(); });
    QObject::connect(pickers_.map_input, &QPushButton::clicked, frame4_, [this] {
      // The phase uniform file of the class table's current row.
      const int row = std::max(griduni_->row(), 1);
      if (row >= griduni_->rows()) return;
      showMap(str(griduni_->text(row, 2)), str(griduni_->text(row, 1)), false);
    });
    QObject::connect(pickers_.map_output, &QPushButton::clicked, frame4_,
                     [this] { showMap(text(pickers_.output_path), "0", false); });
    QObject::connect(command13, &QPushButton::clicked, frame4_, [this] { showPanel(frame1_); });
    QObject::connect(griduni_, &FlexGrid::clicked, frame4_, [this] { gridClicked(); });
    QObject::connect(griduni_, &FlexGrid::pasteRequested, frame4_,
                     [this] { typeSkips(pfield_local::split_pasted_values(platform_.clipboardText())); });
    griduni_->takePasteFrom(pickers_.input_skip,
                            [this] { return griduni_->row() >= 1 && griduni_->col() == 1; });
    QObject::connect(griduni_, &FlexGrid::doubleClickedCell, frame4_, [this] {
      pickers_.input_skip->setText(QString());
      pickers_.input_skip->setFocus();
    });
    QObject::connect(pickers_.input_skip, &QLineEdit::textChanged, frame4_, [this](const QString& typed) {
      if (griduni_->row() >= 1 && griduni_->col() == 1) griduni_->setText(griduni_->row(), 1, typed);
    });
  }

  void chooseDataFile() {
    FileDialogRequest request;
    request.title = "Input Data File (*.OUT)";
    request.filter = "(*.OUT)|*.OUT";
    request.filter_index = 1;
    request.must_exist = true;
    request.default_ext = "*.OUT";
    if (auto path = chooseTypedFile(platform_, request, textio::file_types::kGridInput)) {
      (op1_->isChecked() ? in1_ : in2_)->setText(qs(*path));
    }
  }

  void chooseBihistogram() {
    FileDialogRequest request;  // the window's second dialog, dialog3
    request.title = "Input Bihistogram Data File (*.DAT)";
    request.filter = "(*.DAT)|*.DAT|(*.TXT)|*.TXT";
    request.filter_index = 1;
    request.must_exist = true;
    request.default_ext = "*.DAT";
    if (auto path = chooseTypedFile(platform_, request, textio::file_types::kBihistogramInput)) {
      binn_->setText(qs(*path));
    }
  }

  void importFiles() {
    mp::ImportInputs inputs;
    inputs.multiphase_path = text(in1_);
    inputs.multiphase_skip = text(linhas1_);
    inputs.variable_path = text(in2_);
    inputs.variable_skip = text(linhas2_);
    WindowHooks hooks(platform_);
    const mp::ImportResult result =
        BackgroundRun(frame1_->window(), QStringLiteral("Importing the multiphase and variable data files"),
                      QStringLiteral("codes"),
                      hooks)([&](job::Hooks& worker) { return mp::import_data_files(inputs, worker); });
    if (result.counts_set) {
      griduni_->setRows(result.grid_rows);
      griduni_->setCols(3);
      verlito_->setText(qs(result.phases_caption));
      vervar_->setText(qs(result.variable_classes_caption));
    }
    if (!result.outcome.completed()) {
      showOk(platform_, result.outcome.message);
      return;
    }
    for (int phase = 1; phase <= result.prepared_rows; ++phase) {
      griduni_->setText(phase, 0, qs(mp::class_row_label(phase)));
      griduni_->setText(phase, 1, qs(mp::kPreparedSkip));
      griduni_->setCellAlignment(phase, 0, kCentred);
      griduni_->setCellAlignment(phase, 1, kCentred);
    }
  }

  void continueToRun() {
    const mp::NodeCountCheck check =
        mp::check_node_counts({text(text2_[0]), text(text2_[1]), text(text2_[2])});
    if (!check.outcome.completed()) {
      showOk(platform_, check.outcome.message);
      text2_[check.reset_box]->setText(QStringLiteral("1"));
      return;
    }
    showPanel(frame4_);
  }

  // A pasted list fills the skip counts of the current row and those below, each typed into the
  // skip box as the keyboard would; the paths are chosen with the picker, never pasted.
  void typeSkips(const std::vector<std::string>& values) {
    int row = std::max(griduni_->row(), 1);
    for (const std::string& value : values) {
      if (row >= griduni_->rows()) break;
      griduni_->setCurrentCell(row++, 1);
      griduni_->setCellAlignment(griduni_->row(), 1, kCentred);
      pickers_.input_skip->clear();
      pickers_.input_skip->setText(qs(value));
    }
  }

  void gridClicked() {
    const int row = griduni_->row();
    if (row < 1) return;
    if (griduni_->col() == 1) {
      griduni_->setCellAlignment(row, 1, kCentred);
      pickers_.input_skip->setText(griduni_->text(row, 1));
      pickers_.input_skip->setFocus();
    } else if (griduni_->col() == 2) {
      griduni_->setCellAlignment(row, 2, kCentred);
      griduni_->setText(row, 2, pickers_.input_path->text());
    }
  }

  mp::RunInputs runInputs() const {
    mp::RunInputs inputs;
    inputs.nx = textio::numeric_value(text(text2_[0]));
    inputs.ny = textio::numeric_value(text(text2_[1]));
    inputs.nz = textio::numeric_value(text(text2_[2]));
    inputs.phases = textio::numeric_value(text(verlito_));
    inputs.variable_classes = textio::numeric_value(text(vervar_));
    inputs.bihistogram_path = text(binn_);
    inputs.multiphase_path = text(in1_);
    inputs.multiphase_skip = textio::numeric_value(text(linhas1_));
    inputs.variable_path = text(in2_);
    inputs.variable_skip = textio::numeric_value(text(linhas2_));
    for (int r = 1; r < griduni_->rows(); ++r) {
      inputs.class_rows.push_back({str(griduni_->text(r, 1)), str(griduni_->text(r, 2))});
    }
    inputs.output_path = text(pickers_.output_path);
    return inputs;
  }

  void run() {
    const mp::RunInputs inputs = runInputs();
    WindowHooks hooks(platform_);
    // Failures are shown under the busy pointer; the completion message after it is reset.
    hooks.showFailureWhileBusy(
        BackgroundRun(frame4_->window(), QStringLiteral("p-Field simulation with a multiphase set of ccdfs"),
                      QStringLiteral("nodes"),
                      hooks)([&](job::Hooks& worker) { return mp::run_multiphase(inputs, worker); }));
  }

  // The run as `meldrit-cli multiphase` takes it, refused as RUN refuses it before opening a file.
  void saveRunRequest() {
    const mp::RunInputs in = runInputs();
    if (const job::Outcome checked = mp::check_run_inputs(in); !checked.completed()) {
      showOk(platform_, checked.message);
      return;
    }
    const auto trimmed = [](const std::string& path) { return std::string(textio::trim_blanks(path)); };
    std::vector<job::RequestOption> options;
    std::vector<std::string> files{trimmed(in.bihistogram_path), trimmed(in.output_path)};
    // An empty data file leaves every node in phase (variable class) 1, as the option left out does.
    const std::pair<const char*, std::pair<std::string, double>> data[] = {
        {"--phases", {trimmed(in.multiphase_path), in.multiphase_skip}},
        {"--variables", {trimmed(in.variable_path), in.variable_skip}}};
    for (const auto& [name, file] : data) {
      if (file.first.empty()) continue;
      options.push_back({name, {file.first}});
      options.push_back({std::string(name) + "-skip", {numberText(file.second)}});
      files.push_back(file.first);
    }
    options.push_back({"--nodes", {numberText(in.nx) + "," + numberText(in.ny) + "," + numberText(in.nz)}});
    options.push_back({"--bihistogram", {files[0]}});
    job::RequestOption phase_files{"--phase-uniform", {}};
    for (const mp::ClassRow& row : in.class_rows) {
      // FILE::SKIP always, so that a path holding "::" stays whole.
      phase_files.values.push_back(trimmed(row.path) + "::" + numberText(textio::numeric_value(row.skip)));
      files.push_back(trimmed(row.path));
    }
    if (!phase_files.values.empty()) options.push_back(std::move(phase_files));
    options.push_back({"--output", {files[1]}});
    saveRequest(platform_, "multiphase", options, files);
  }

  void showMap(const std::string& path, const std::string& skip, bool classes) {
    GridSource source;
    source.path_caption = path;
    source.skip_text = skip;
    for (int i = 0; i < 3; ++i) source.node_texts[i] = text(text2_[i]);
    source.classes = classes;
    showGridView(context_, frame1_, source);
  }

  AppContext& context_;
  PlatformServices& platform_;
  QGroupBox* frame1_ = nullptr;
  QGroupBox* frame4_ = nullptr;
  QRadioButton* op1_ = nullptr;
  QRadioButton* op2_ = nullptr;
  QLabel* in1_ = nullptr;
  QLabel* in2_ = nullptr;
  QLineEdit* linhas1_ = nullptr;
  QLineEdit* linhas2_ = nullptr;
  QLabel* verlito_ = nullptr;
  QLabel* vervar_ = nullptr;
  std::array<NodeCountBox*, 3> text2_{};
  QLabel* binn_ = nullptr;
  PfieldPickers pickers_;
  FlexGrid* griduni_ = nullptr;
};

}  // namespace

std::unique_ptr<JobPanels> createMultiphaseJob(AppContext& context, QWidget* parent) {
  return std::make_unique<MultiphaseJob>(context, parent);
}

}  // namespace meldrit::app
