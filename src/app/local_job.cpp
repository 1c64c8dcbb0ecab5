#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
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
#include "pfield_local/class_limits.h"
#include "pfield_local/local_messages.h"
#include "pfield_local/local_run.h"
#include "pfield_local/pasted_values.h"
#include "pfield_local/probability_import.h"
#include "textio/file_type.h"
#include "textio/numeric_value.h"

namespace meldrit::app {
namespace {

namespace pl = meldrit::pfield_local;

const char* const kSelectUniformFile = "Please select the uniform data file!";
const char* const kChooseOutputFile = "Please choose the output file!";

// Column widths of the limit columns: (table width - margin) / 2, halves to the even neighbour.
int limitColumnWidth(int table_width, int margin) {
  return static_cast<int>(std::lrint((table_width - margin) / 2.0));
}

// The keystroke receivers tmin and tmax: receiving the keyboard empties them.
class LimitBox : public QLineEdit {
 public:
  LimitBox(const QString& text, QWidget* parent) : QLineEdit(text, parent) {}
  void gotFocus() { clear(); }

 protected:
  void focusInEvent(QFocusEvent* event) override {
    QLineEdit::focusInEvent(event);
    gotFocus();
  }
};

// Shows the import as it goes: the threshold count once known, each warning, the progress bar as
// the share of the file read.
class ImportHooks : public WindowHooks {
 public:
  ImportHooks(PlatformServices& platform, std::function<void()> started, QLabel* ncortes, QProgressBar* bar)
      : WindowHooks(platform), started_(std::move(started)), ncortes_(ncortes), bar_(bar) {}
  void checks_passed() override {
    WindowHooks::checks_passed();
    started_();
  }
  void counted(std::string_view, std::uint64_t thresholds) override {
    ncortes_->setText(QString::number(thresholds));
    ncortes_->repaint();
  }
  void progress(const job::Progress& progress) override {
    if (progress.bytes_total == 0) return;
    const std::uint64_t done = std::min(progress.bytes_read, progress.bytes_total);
    const int percent = static_cast<int>(done * 100 / progress.bytes_total);
    if (percent == bar_->value()) return;
    bar_->setValue(percent);
    bar_->repaint();
  }

 private:
  std::function<void()> started_;
  QLabel* ncortes_;
  QProgressBar* bar_;
};

class LocalJob : public JobPanels {
 public:
  LocalJob(AppContext& context, QWidget* parent) : context_(context), platform_(context.platform) {
    buildFrame18(parent);
    buildFrame5(parent);
    addPanel(frame18_, false);
    addPanel(frame5_, true);
  }

  void beforeRestore() override {
    gridcortes_->setRows(1);
    gridcortes_->setCols(3);
    gridcortes_->setFixedRows(1);
    gridcortes_->setFixedCols(1);
    const QString headers[] = {QStringLiteral("Threshold"), QStringLiteral("Lower Limit"),
                               QStringLiteral("Upper Limit")};
    for (int col = 0; col < 3; ++col) {
      gridcortes_->setText(0, col, headers[col]);
      gridcortes_->setCellAlignment(0, col, Qt::AlignCenter);
    }
    gridcortes_->setColWidthTwips(0, 1000);
    const int width = limitColumnWidth(gridcortes_->widthTwips(), 1150);
    gridcortes_->setColWidthTwips(1, width);
    gridcortes_->setColWidthTwips(2, width);
  }

  void restore(const settings::SessionSettings& s) override {
    label18_->setText(qs(s.probability_path));
    text3_->setText(qs(s.probability_skip));
    for (int i = 0; i < 3; ++i) text2_[i]->setText(qs(s.node_counts[3 + i]));
    pickers_.input_path->setText(qs(s.local_uniform_path));
    pickers_.input_skip->setText(qs(s.local_uniform_skip));
    pickers_.output_path->setText(qs(s.local_output_path));
    (s.continuous_output ? option1_ : option2_)->setChecked(true);
  }

  void save(settings::SessionSettings& s) const override {
    s.probability_path = str(label18_->text());
    s.probability_skip = str(text3_->text());
    for (int i = 0; i < 3; ++i) s.node_counts[3 + i] = str(text2_[i]->text());
    s.local_uniform_path = str(pickers_.input_path->text());
    s.local_uniform_skip = str(pickers_.input_skip->text());
    s.local_output_path = str(pickers_.output_path->text());
    s.continuous_output = option1_->isChecked();
  }

 private:
  void buildFrame18(QWidget* parent) {
    frame18_ = makeFrame(parent, "Frame18", QStringLiteral(" p-Field algorithm using local ccdf"));
    frame18_->resize(twips(11400), twips(6000));
    frame18_->hide();

    QGroupBox* frame19 = makeFrame(frame18_, "Frame19", QStringLiteral("Output Variable Type"));
    place(frame19, 240, 360, 5400, 1300);
    option1_ = makeOption(frame19, "Option1", QStringLiteral("Continuous"));
    place(option1_, 300, 400, 3000, 350);
    option2_ = makeOption(frame19, "Option2", QStringLiteral("Multiphase"));
    place(option2_, 300, 800, 3000, 350);
    option1_->setChecked(true);

    QPushButton* command23 = makeButton(frame18_, "Command23", QStringLiteral("RUN"),
                                        QStringLiteral("Probability Field Calculation"));
    place(command23, 5760, 700, 1800, 600);
    QPushButton* save_request = makeSaveRequestButton(frame18_);
    place(save_request, 7800, 700, 1800, 600);

    // The uniform file's frame takes the whole width: its caption is long.
    pickers_ = buildPfieldPickers(platform_, 1, frame18_, 10920);
    pickers_.input_frame->move(twips(240), twips(1900));
    pickers_.output_frame->move(twips(240), twips(3900));

    QPushButton* command24 = makeButton(frame18_, "Command24", QString(), QStringLiteral("Back"));
    command24->setIcon(frame18_->style()->standardIcon(QStyle::SP_ArrowBack));
    place(command24, 5760, 5100, 900, 600);

    QObject::connect(command23, &QPushButton::clicked, frame18_, [this] { run(); });
    QObject::connect(save_request, &QPushButton::clicked, frame18_, [this] { saveRunRequest(); });
    QObject::connect(pickers_.map_input, &QPushButton::clicked, frame18_,
                     [this] { showMap(pickers_.input_path, str(pickers_.input_skip->text()), 1, false); });
    QObject::connect(pickers_.map_output, &QPushButton::clicked, frame18_,
                     [this] { showMap(pickers_.output_path, "0", 1, option2_->isChecked()); });
    QObject::connect(command24, &QPushButton::clicked, frame18_, [this] { showPanel(frame5_); });
  }

  void buildFrame5(QWidget* parent) {
    frame5_ = makeFrame(parent, "Frame5",
                        QStringLiteral("Input Data File (*.OUT):  p- Field algorithm using local ccdf"));
    frame5_->resize(twips(11400), twips(7200));
    frame5_->hide();

    QGroupBox* frame16 =
        makeFrame(frame5_, "Frame16", QStringLiteral("Open Input Probability Data File  (*.OUT)"));
    place(frame16, 240, 360, 10920, 1800);
    QPushButton* command19 = makeButton(frame16, "Command19", QStringLiteral("Select File"),
                                        QStringLiteral("Select the input data file."));
    place(command19, 240, 360, 1400, 420);
    QPushButton* command17 = makeButton(frame16, "Command17", QStringLiteral("View File"),
                                        QStringLiteral("Open and view All Data File"));
    command17->setIcon(frame16->style()->standardIcon(QStyle::SP_FileDialogContentsView));
    place(command17, 1800, 360, 1500, 420);
    QPushButton* impor = makeButton(frame16, "impor", QStringLiteral("Import"),
                                    QStringLiteral("Import the selected data file."));
    place(impor, 3460, 360, 1400, 420);
    QPushButton* map = makeMapButton(frame16);
    place(map, 5000, 360, 1000, 420);
    bar1_ = new QProgressBar(frame16);
    bar1_->setObjectName(QStringLiteral("bar1"));
    bar1_->setRange(0, 100);
    bar1_->setValue(0);
    bar1_->setTextVisible(false);
    place(bar1_, 6160, 420, 4480, 300);
    place(makeLabel(frame16, "Label14", QStringLiteral("Input Data File *.OUT  Path")), 240, 960, 4000, 250);
    label18_ = makePathLabel(frame16, "Label18");
    place(label18_, 240, 1230, 7400, 400);
    place(makeLabel(frame16, "Label13", QStringLiteral("Skip Lines")), 7800, 960, 1200, 250);
    text3_ = makeLineEdit(frame16, "Text3", QStringLiteral("0"));
    place(text3_, 7800, 1230, 1100, 400);
    place(makeGeoEasButton(frame16, platform_, label18_, text3_), 9000, 1230, 1000, 400);

    QGroupBox* frame14 = makeFrame(frame5_, "Frame14", QStringLiteral("Data File Structure"));
    place(frame14, 240, 2280, 6600, 4680);
    gridcortes_ = new FlexGrid(frame14);
    gridcortes_->setObjectName(QStringLiteral("gridcortes"));
    place(gridcortes_, 240, 360, 6120, 3240);
    // Off the frame: never seen, they only take the keyboard while a limit cell is typed.
    tmin_ = new LimitBox(QStringLiteral("Text1"), frame14);
    tmin_->setObjectName(QStringLiteral("tmin"));
    place(tmin_, -10000, 360, 1200, 360);
    tmax_ = new LimitBox(QStringLiteral("Text5"), frame14);
    tmax_->setObjectName(QStringLiteral("tmax"));
    place(tmax_, -10000, 840, 1200, 360);
    place(makeLabel(frame14, "Label12(1)", QStringLiteral("Number of samples (detected):")), 240, 3760, 3200,
          300);
    label4_ = makeLabel(frame14, "Label4", QStringLiteral(" "));
    place(label4_, 3500, 3760, 2800, 300);
    place(makeLabel(frame14, "Label12(0)", QStringLiteral("Number of thresholds (detected):")), 240, 4160,
          3200, 300);
    ncortes_ = makeLabel(frame14, "ncortes", QStringLiteral(" "));
    place(ncortes_, 3500, 4160, 2800, 300);
    // Shown only when the imported file's header line names its thresholds.
    header_limits_ = makeButton(frame14, "headerLimits", QStringLiteral("Use header"),
                                QStringLiteral("Fill the limits with the thresholds the file names"));
    place(header_limits_, 4200, 4100, 2160, 400);
    header_limits_->hide();

    QGroupBox* frame15 = makeFrame(frame5_, "Frame15", QStringLiteral("Grid Settings"));
    place(frame15, 7080, 2280, 4080, 2400);
    place(makeLabel(frame15, "Label1(17)", QStringLiteral("Grid Nodes")), 240, 360, 3600, 300);
    const char* axis_labels[] = {"Label1(0)", "Label1(1)", "Label1(16)"};
    for (int i = 0; i < 3; ++i) {
      QLabel* axis_label = makeLabel(frame15, axis_labels[i], qs(context_.axis_names[i]));
      axis_label->setAlignment(Qt::AlignCenter);
      place(axis_label, 240 + 1260 * i, 720, 1080, 300);
      text2_[i] = new NodeCountBox(platform_, qs(context_.axis_names[i]), frame15);
      text2_[i]->setObjectName(QStringLiteral("Text2(%1)").arg(3 + i));
      text2_[i]->setText(QStringLiteral(" "));
      place(text2_[i], 240 + 1260 * i, 1040, 1080, 400);
    }
    place(makeLabel(frame15, "Label1(18)", QStringLiteral(" ")), 240, 1700, 3600, 300);

    QPushButton* command14 =
        makeButton(frame5_, "Command14", QString(), QStringLiteral("Continue and Save these  Options"));
    command14->setIcon(frame5_->style()->standardIcon(QStyle::SP_ArrowForward));
    place(command14, 10200, 6300, 900, 600);

    QObject::connect(command19, &QPushButton::clicked, frame5_, [this] { chooseProbabilityFile(); });
    QObject::connect(command17, &QPushButton::clicked, frame5_,
                     [this] { openInTextEditor(platform_, str(label18_->text())); });
    QObject::connect(text3_, &QLineEdit::textChanged, frame5_, [this](const QString& text) {
      const QString whole = qs(pl::skip_count_text(str(text)));
      if (whole != text) text3_->setText(whole);
    });
    QObject::connect(impor, &QPushButton::clicked, frame5_, [this] { importFile(); });
    QObject::connect(map, &QPushButton::clicked, frame5_, [this] {
      // One threshold at a time; the view chooses among the n of the last import.
      const long long n = textio::whole_part_of(str(ncortes_->text()));
      showMap(label18_, str(text3_->text()), n >= 1 ? static_cast<int>(n) : 1, false);
    });
    QObject::connect(gridcortes_, &FlexGrid::clicked, frame5_, [this] { tableClicked(); });
    QObject::connect(gridcortes_, &FlexGrid::pasteRequested, frame5_, [this] {
      typeLimits(limitOfCurrentCell(), pl::split_pasted_values(platform_.clipboardText()));
    });
    for (LimitBox* box : {tmin_, tmax_}) gridcortes_->takePasteFrom(box, [] { return true; });
    QObject::connect(header_limits_, &QPushButton::clicked, frame5_,
                     [this] { typeLimits(1, header_thresholds_); });
    QObject::connect(tmin_, &QLineEdit::textChanged, frame5_,
                     [this](const QString& text) { lowerLimitTyped(text); });
    QObject::connect(tmax_, &QLineEdit::textChanged, frame5_,
                     [this](const QString& text) { upperLimitTyped(text); });
    QObject::connect(command14, &QPushButton::clicked, frame5_, [this] { continueToRun(); });
  }

  void chooseProbabilityFile() {
    FileDialogRequest request;
    request.title = std::string(pl::messages::kProbabilityDialogTitle);
    request.filter = "(*.OUT)|*.OUT";
    request.filter_index = 1;
    request.must_exist = true;
    request.default_ext = "*.OUT";
    const std::optional<std::string> path =
        chooseTypedFile(platform_, request, textio::file_types::kProbabilityInput);
    if (path) label18_->setText(qs(*path));
  }

  void showCounts(const QString& thresholds, const QString& nodes) {
    ncortes_->setText(thresholds);
    label4_->setText(nodes);
    ncortes_->repaint();
    label4_->repaint();
  }

  void importFile() {
    // A cancelled import puts back what the panel showed before it: the user stopped it, nothing
    // failed, and the limits typed for the last file still hold.
    const int bar = bar1_->value();
    const QString thresholds = ncortes_->text();
    const QString nodes = label4_->text();
    const FlexGrid::Contents limits = gridcortes_->contents();
    ImportHooks hooks(
        platform_,
        [this] {
          bar1_->setValue(0);
          gridcortes_->setRows(1);
          showCounts(QString(), QString());
        },
        ncortes_, bar1_);
    const std::string path = str(label18_->text());
    const double skip = textio::numeric_value(str(text3_->text()));
    const pl::ImportResult result = BackgroundRun(
        frame5_->window(), QStringLiteral("Importing the probability data file"),
        QStringLiteral("values checked"),
        hooks)([&](job::Hooks& worker) { return pl::import_probability_file(path, skip, worker); });
    if (result.outcome.ending == job::Ending::Refused) {
      showOk(platform_, result.outcome.message);
      return;
    }
    if (result.outcome.ending == job::Ending::Cancelled) {
      showOk(platform_, result.outcome.message);
      hooks.resetPointer();
      bar1_->setValue(bar);
      showCounts(thresholds, nodes);
      gridcortes_->setContents(limits);
      return;
    }
    if (!result.outcome.completed()) {
      header_limits_->hide();
      showOk(platform_, result.outcome.message);
      hooks.resetPointer();
      bar1_->setValue(0);
      showCounts(QString(), QString());
      gridcortes_->setRows(1);
      return;
    }
    const int n = result.thresholds;
    gridcortes_->setRows(n + 2);
    showCounts(QString::number(n), QString::number(result.nodes));
    for (int k = 1; k <= n + 1; ++k) {
      gridcortes_->setColWidthTwips(0, 1000);
      gridcortes_->setText(k, 0, QString::number(k));
      gridcortes_->setCellAlignment(k, 0, Qt::AlignCenter);
    }
    const int width = limitColumnWidth(gridcortes_->widthTwips(), 1350);
    gridcortes_->setColWidthTwips(1, width);
    gridcortes_->setColWidthTwips(2, width);
    bar1_->setValue(0);
    // A skipped first line is a header; a data line would pass for rising thresholds.
    header_thresholds_ =
        skip >= 1 ? pl::thresholds_in_header(pl::first_line_of(path), n) : std::vector<std::string>{};
    QStringList named;
    for (const std::string& value : header_thresholds_) named << qs(value);
    header_limits_->setText(QStringLiteral("Use %1").arg(named.join(QLatin1Char(' '))));
    header_limits_->setVisible(!header_thresholds_.empty());
  }

  // A click hands the cell's text to the box of its column, which then takes the keyboard. A
  // flex grid never makes its fixed heading row current, so row 0 is not a limit cell.
  void tableClicked() {
    const int row = gridcortes_->row();
    const int col = gridcortes_->col();
    if (row < 1 || row >= gridcortes_->rows()) return;
    LimitBox* box = col == 1 ? tmin_ : col == 2 ? tmax_ : nullptr;
    if (box == nullptr) return;
    box->setText(gridcortes_->text(row, col));
    box->setFocus(Qt::OtherFocusReason);
    // Also when the box had the keyboard already, or the window is not active yet.
    box->gotFocus();
  }

  // Limit 0 is the first class's lower limit, limit k the k-th class's upper one (and the next
  // class's lower one).
  int limitOfCurrentCell() const {
    const int row = std::max(gridcortes_->row(), 1);
    return gridcortes_->col() == 2 ? row : row - 1;
  }

  // Types `values` into consecutive limits from `first`, each into its cell's box as the keyboard
  // would, so that the typing rules keep shared limits equal; what runs past the table is dropped.
  void typeLimits(int first, const std::vector<std::string>& values) {
    int limit = first;
    for (const std::string& value : values) {
      if (limit < 0 || limit > gridcortes_->rows() - 1) break;
      const bool lower = limit == 0;
      gridcortes_->setCurrentCell(lower ? 1 : limit, lower ? 1 : 2);
      LimitBox* box = lower ? tmin_ : tmax_;
      box->clear();
      box->setText(qs(value));
      ++limit;
    }
  }

  void writeLimit(int row, int col, const QString& text) {
    gridcortes_->setText(row, col, text);
    gridcortes_->setCellAlignment(row, col, Qt::AlignCenter);
  }

  // The upper limit of one class and the lower limit of the next are one threshold: typing either
  // rewrites both.
  void lowerLimitTyped(const QString& text) {
    if (text.isEmpty()) return;
    const int row = gridcortes_->row();
    const int last = gridcortes_->rows() - 1;
    if (gridcortes_->col() != 1) return;
    if (row == 1) {
      writeLimit(1, 1, text);
    } else if (row >= 2 && row <= last) {
      writeLimit(row, 1, text);
      writeLimit(row - 1, 2, text);
      gridcortes_->setCurrentCell(row, 1);
    }
  }

  void upperLimitTyped(const QString& text) {
    if (text.isEmpty()) return;
    const int row = gridcortes_->row();
    const int last = gridcortes_->rows() - 1;
    if (gridcortes_->col() != 2 || row < 1) return;
    if (row == last) {
      writeLimit(row, 2, text);
    } else if (row < last) {
      writeLimit(row, 2, text);
      writeLimit(row + 1, 1, text);
      gridcortes_->setCurrentCell(row, 2);
    }
  }

  void continueToRun() {
    pl::ClassLimitsInput input;
    input.table_rows = gridcortes_->rows();
    for (int row = 1; row < gridcortes_->rows(); ++row)
      input.rows.push_back({str(gridcortes_->text(row, 1)), str(gridcortes_->text(row, 2))});
    for (int i = 0; i < 3; ++i) input.nodes[i] = str(text2_[i]->text());
    input.count_caption = str(label4_->text());
    pl::ClassLimitsResult result = pl::check_class_limits(input);
    classlimits_ = std::move(result.limits);
    if (!result.outcome.completed()) {
      showOk(platform_, result.outcome.message);
      if (result.reset_box >= 0) text2_[result.reset_box]->setText(QStringLiteral("1"));
      return;
    }
    showPanel(frame18_);
  }

  void run() {
    pl::LocalRunInput input;
    input.probability_path = str(label18_->text());
    input.probability_skip = textio::numeric_value(str(text3_->text()));
    input.uniform_path = str(pickers_.input_path->text());
    input.uniform_skip = textio::numeric_value(str(pickers_.input_skip->text()));
    input.output_path = str(pickers_.output_path->text());
    input.nodes = textio::numeric_value(str(label4_->text()));
    input.thresholds = textio::numeric_value(str(ncortes_->text()));
    input.limits = classlimits_;
    input.continuous = option1_->isChecked();
    WindowHooks hooks(platform_);
    hooks.showAfterReset(BackgroundRun(
        frame18_->window(), QStringLiteral("p-Field simulation with local ccdf"), QStringLiteral("nodes"),
        hooks)([&](job::Hooks& worker) { return pl::run_local_ccdf(input, worker); }));
  }

  // The run as `meldrit-cli local` takes it, refused with RUN's words when RUN could not start it.
  void saveRunRequest() {
    const std::string probability(textio::trim_blanks(str(label18_->text())));
    const std::string uniform(textio::trim_blanks(str(pickers_.input_path->text())));
    const std::string output(textio::trim_blanks(str(pickers_.output_path->text())));
    const double n = std::floor(textio::numeric_value(str(ncortes_->text())));
    std::string fault;
    if (probability.empty()) {
      fault = pl::messages::kSelectProbabilityFile;
    } else if (!(n >= 1) || classlimits_.size() < static_cast<std::size_t>(n) + 2) {
      fault = pl::messages::kDefineThresholds;
    } else if (uniform.empty()) {
      fault = kSelectUniformFile;
    } else if (output.empty()) {
      fault = kChooseOutputFile;
    } else if (textio::any_output_clashes({probability, uniform}, {output})) {
      fault = pl::messages::kSameFile;
    }
    if (!fault.empty()) {
      showOk(platform_, fault);
      return;
    }
    std::string limits, nodes;
    for (std::size_t i = 0; i < static_cast<std::size_t>(n) + 2; ++i)
      limits += (i > 0 ? "," : "") + numberText(classlimits_[i]);
    for (int i = 0; i < 3; ++i)
      nodes += (i > 0 ? "," : "") + numberText(textio::numeric_value(str(text2_[i]->text())));
    saveRequest(platform_, "local",
                {{"--prob", {probability}},
                 {"--prob-skip", {numberText(textio::numeric_value(str(text3_->text())))}},
                 {"--limits", {limits}},
                 {"--nodes", {nodes}},
                 {"--uniform", {uniform}},
                 {"--uniform-skip", {numberText(textio::numeric_value(str(pickers_.input_skip->text())))}},
                 {"--output", {output}},
                 {"--type", {option1_->isChecked() ? "continuous" : "classes"}}},
                {probability, uniform, output});
  }

  void showMap(const QLabel* path, const std::string& skip, int values_per_node, bool classes) {
    GridSource source;
    source.path_caption = str(path->text());
    source.skip_text = skip;
    for (int i = 0; i < 3; ++i) source.node_texts[i] = str(text2_[i]->text());
    source.values_per_node = values_per_node;
    source.classes = classes;
    showGridView(context_, frame5_, source);
  }

  AppContext& context_;
  PlatformServices& platform_;
  QGroupBox* frame18_ = nullptr;
  QGroupBox* frame5_ = nullptr;
  QRadioButton* option1_ = nullptr;
  QRadioButton* option2_ = nullptr;
  PfieldPickers pickers_;
  QLabel* label18_ = nullptr;
  QLineEdit* text3_ = nullptr;
  QProgressBar* bar1_ = nullptr;
  FlexGrid* gridcortes_ = nullptr;
  LimitBox* tmin_ = nullptr;
  LimitBox* tmax_ = nullptr;
  QLabel* label4_ = nullptr;
  QLabel* ncortes_ = nullptr;
  std::array<NodeCountBox*, 3> text2_{};
  std::vector<double> classlimits_;
  QPushButton* header_limits_ = nullptr;
  std::vector<std::string> header_thresholds_;  // named by the imported file's header line
};

}  // namespace

std::unique_ptr<JobPanels> createLocalJob(AppContext& context, QWidget* parent) {
  return std::make_unique<LocalJob>(context, parent);
}

}  // namespace meldrit::app
