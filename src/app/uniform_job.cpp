#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <algorithm>
#include <cmath>

#include "app/background_run.h"
#include "app/file_choice.h"
#include "app/flex_grid.h"
#include "app/grid_view.h"
#include "app/job_hooks.h"
#include "app/job_panel.h"
#include "app/panel_widgets.h"
#include "app/qt_text.h"
#include "app/text_viewer.h"
#include "settings/suite_preferences.h"
#include "textio/file_type.h"
#include "textio/numeric_value.h"
#include "uniform/column_pick.h"
#include "uniform/column_scan.h"
#include "uniform/uniform_messages.h"
#include "uniform/uniform_run.h"

namespace meldrit::app {
namespace {

namespace un = meldrit::uniform;

// Heights of Frame6 in twips: as laid out, with only the input group showing, and with the
// preview, the structure and output groups and RUN showing.
constexpr int kDesignHeight = 1425;
constexpr int kCollapsedHeight = 1572;
constexpr int kExpandedHeight = 5652;
constexpr int kExpansionStep = 500;
// A panel at most this tall still counts as collapsed when an import succeeds.
constexpr int kStillCollapsed = 2000;
constexpr int kPanelWidth = 11000;

constexpr int kGridRows = un::kPreviewRows + 1;
constexpr int kGridCols = un::kMaxColumns + 1;

// Entries 15 and 14 of the standard 16-colour palette.
const QColor kWhite(255, 255, 255);
const QColor kYellow(255, 255, 0);

const char* kFilter = "(*.OUT)|*.OUT|(*.PRN)|*.PRN|(*.DAT)|*.DAT";

FileDialogRequest columnFileDialog(bool save) {
  FileDialogRequest request;
  request.save = save;
  request.title = save ? "Output Data File (*.OUT/*PRN/*.DAT)" : "Input Data File (*.OUT/*.PRN/*.DAT)";
  request.filter = kFilter;
  request.filter_index = 1;
  request.must_exist = true;
  return request;
}

std::string trimmedText(const QLabel* label) {
  return std::string(textio::trim_blanks(str(label->text())));
}

class UniformJob : public JobPanels {
 public:
  UniformJob(AppContext& context, QWidget* parent) : context_(context) {
    frame6_ = makeFrame(parent, "Frame6", QStringLiteral("Input Data File (*.OUT) - Transform to Uniform"));
    addPanel(frame6_, true);
    buildInputGroup();
    buildPreview();
    buildStructureGroup();
    buildOutputGroup();
    command6_ = makeButton(frame6_, "Command6", "RUN", "Click to compute uniform transformation");
    place(command6_, 6500, 4950, 4380, 600);
    setPanelHeight(kDesignHeight);
    connectHandlers();
  }

  void restore(const settings::SessionSettings& settings) override {
    uniformin_->setText(qs(settings.uniform_input_path));
    skipuniform_->setText(qs(settings.uniform_skip));
    uniformout_->setText(qs(settings.uniform_output_path));
  }

  void save(settings::SessionSettings& settings) const override {
    settings.uniform_input_path = str(uniformin_->text());
    settings.uniform_skip = str(skipuniform_->text());
    settings.uniform_output_path = str(uniformout_->text());
  }

 private:
  void buildInputGroup() {
    QGroupBox* frame9 =
        makeFrame(frame6_, "Frame9", QStringLiteral("Open Input Data File (*.OUT/*.PRN/*.DAT)"));
    place(frame9, 120, 240, 10760, 1120);
    place(makeLabel(frame9, "Label9", "Input  Data File *.OUT/*.PRN/*.DAT  Path"), 150, 250, 4200, 250);
    uniformin_ = makePathLabel(frame9, "uniformin");
    place(uniformin_, 150, 520, 4500, 450);
    command9_ = makeButton(frame9, "Command9", "Select File", "Select input data file (*.OUT).");
    place(command9_, 4750, 540, 1300, 400);
    place(makeLabel(frame9, "Label11", "Skip Lines"), 6150, 250, 1000, 250);
    skipuniform_ = makeLineEdit(frame9, "skipuniform", QStringLiteral("0"));
    place(skipuniform_, 6150, 560, 750, 350);
    place(makeGeoEasButton(frame9, context_.platform, uniformin_, skipuniform_), 7000, 540, 1000, 400);
    d2_ = makeOption(frame9, "d2", "  2D");
    place(d2_, 8250, 230, 950, 280);
    d3_ = makeOption(frame9, "d3", "  3D");
    place(d3_, 8250, 510, 950, 280);
    dn_ = makeOption(frame9, "dn", " None");
    place(dn_, 8250, 790, 950, 280);
    dn_->setChecked(true);
    command20_ = makeButton(frame9, "Command20", "Import", nullptr);
    place(command20_, 9300, 540, 1300, 400);
  }

  void buildPreview() {
    lower_.push_back(makeLabel(frame6_, "Label10", "Showing first 30 lines of data file"));
    place(lower_.back(), 120, 1650, 4000, 250);
    grid1_ = new FlexGrid(frame6_);
    grid1_->setObjectName(QStringLiteral("Grid1"));
    grid1_->setToolTip(QStringLiteral("Partial Data File Structure"));
    grid1_->setRows(kGridRows);
    grid1_->setCols(kGridCols);
    grid1_->setFixedRows(1);
    grid1_->setFixedCols(1);
    place(grid1_, 120, 1900, 6200, 2900);
    lower_.push_back(grid1_);
    lower_.push_back(makeLabel(frame6_, "colunavar", "Click above to select column"));
    place(lower_.back(), 120, 4850, 4000, 250);
  }

  void buildStructureGroup() {
    QGroupBox* frame20 = makeFrame(frame6_, "Frame20", QStringLiteral("File   Structure  "));
    place(frame20, 6500, 1650, 4380, 1300);
    lower_.push_back(frame20);
    place(makeLabel(frame20, "Label5", "Columns:"), 150, 300, 1100, 250);
    variaveis_ = makeLabel(frame20, "variaveis", "");
    variaveis_->setToolTip(QStringLiteral("Number of columns detected"));
    place(variaveis_, 1300, 300, 1700, 250);
    place(makeLabel(frame20, "Label2", "Samples:"), 150, 600, 1100, 250);
    amostras_ = makeLabel(frame20, "amostras", "");
    amostras_->setToolTip(QStringLiteral("Number of lines detected"));
    place(amostras_, 1300, 600, 1700, 250);
    command21_ = makeButton(frame20, "Command21", "View File", "Open and view All Data File");
    command21_->setIcon(frame6_->style()->standardIcon(QStyle::SP_FileDialogContentsView));
    place(command21_, 150, 880, 1500, 350);
  }

  void buildOutputGroup() {
    QGroupBox* frame8 =
        makeFrame(frame6_, "Frame8", QStringLiteral("Save Ouput Data File  (*.OUT/*.PRN/*.DAT)"));
    place(frame8, 6500, 3050, 4380, 1700);
    lower_.push_back(frame8);
    place(makeLabel(frame8, "Label8", "Output File *.OUT/*.PRN/*.DAT  Path"), 150, 300, 4080, 250);
    uniformout_ = makePathLabel(frame8, "uniformout");
    place(uniformout_, 150, 600, 4080, 500);
    command7_ = makeButton(frame8, "Command7", "Save As", "Save output file (*.OUT).");
    place(command7_, 150, 1200, 1300, 400);
    command8_ = makeButton(frame8, "Command8", "View File", "Open and view output file");
    command8_->setIcon(frame6_->style()->standardIcon(QStyle::SP_FileDialogContentsView));
    place(command8_, 1550, 1200, 1480, 400);
    map8_ = makeMapButton(frame8);
    place(map8_, 3130, 1200, 1100, 400);
  }

  void connectHandlers() {
    PlatformServices& platform = context_.platform;
    QObject::connect(command9_, &QPushButton::clicked, frame6_,
                     [this] { chooseInto(uniformin_, false, textio::file_types::kColumnDataInput); });
    QObject::connect(command7_, &QPushButton::clicked, frame6_,
                     [this] { chooseInto(uniformout_, true, textio::file_types::kColumnDataOutput); });
    QObject::connect(command21_, &QPushButton::clicked, frame6_,
                     [this, &platform] { openInTextEditor(platform, str(uniformin_->text())); });
    QObject::connect(command8_, &QPushButton::clicked, frame6_,
                     [this, &platform] { openInTextEditor(platform, str(uniformout_->text())); });
    QObject::connect(command20_, &QPushButton::clicked, frame6_, [this] { import(); });
    for (QRadioButton* option : {d2_, d3_, dn_}) {
      // Any click collapses, also on the option already chosen; the panel does not move.
      QObject::connect(option, &QRadioButton::clicked, frame6_, [this] { setPanelHeight(kCollapsedHeight); });
    }
    QObject::connect(grid1_, &FlexGrid::clicked, frame6_, [this] { pickColumn(); });
    QObject::connect(command6_, &QPushButton::clicked, frame6_, [this] { run(); });
    QObject::connect(map8_, &QPushButton::clicked, frame6_, [this] { showOutputMap(); });
  }

  un::CoordinateOption option() const {
    if (d2_->isChecked()) return un::CoordinateOption::TwoD;
    if (d3_->isChecked()) return un::CoordinateOption::ThreeD;
    return un::CoordinateOption::None;
  }

  // The frame clips what lies below its height; hiding those controls too keeps RUN out of reach
  // (also of the keyboard) until an import has opened the panel.
  void setPanelHeight(int height) {
    height_ = height;
    frame6_->resize(twips(kPanelWidth), twips(height));
    for (QWidget* widget : lower_) widget->setVisible(widget->y() < frame6_->height());
    command6_->setVisible(command6_->y() < frame6_->height());
  }

  void centreInWindow() {
    const QWidget* window = frame6_->parentWidget();
    if (window == nullptr) return;
    frame6_->move(static_cast<int>(std::floor((window->width() - frame6_->width()) / 2.0)),
                  static_cast<int>(std::floor((window->height() - frame6_->height()) / 2.0)));
  }

  void chooseInto(QLabel* path_label, bool save, const textio::FileType& type) {
    const std::optional<std::string> path = chooseTypedFile(context_.platform, columnFileDialog(save), type);
    if (path) path_label->setText(qs(*path));
  }

  void clearGrid() {
    for (int r = 0; r < kGridRows; ++r) {
      for (int c = 0; c < kGridCols; ++c) {
        grid1_->setText(r, c, QStringLiteral(" "));
        if (r > 0 && c > 0) grid1_->setCellBackground(r, c, kWhite);
      }
    }
  }

  void import() {
    BusyPointer busy(context_.platform);
    clearGrid();
    selected_column_ = -1;
    previously_marked_ = -1;

    const un::CoordinateOption chosen = option();
    const std::string path = trimmedText(uniformin_);
    const std::string skip = str(skipuniform_->text());
    job::Hooks window_side;
    const un::ColumnScan scan =
        BackgroundRun(frame6_->window(), QStringLiteral("Importing the column data file"),
                      QStringLiteral("fields"), window_side)([&](job::Hooks& worker) {
          return un::scan_column_file(path, skip, chosen, context_.program_folder, worker);
        });
    if (scan.columns_counted) column_count_ = scan.columns;
    if (scan.columns_shown) variaveis_->setText(QString::number(scan.columns));
    if (!scan.outcome.completed()) {
      showOk(context_.platform, scan.outcome.message);
      return;
    }

    for (int c = 0; c < kGridCols; ++c) grid1_->setText(0, c, QString());
    for (int r = 1; r < kGridRows; ++r) grid1_->setText(r, 0, QString::number(r));
    static const char* const kAxes[] = {"x", "y", "z"};
    for (int c = 1; c <= un::coordinate_count(chosen); ++c)
      grid1_->setText(0, c, QLatin1String(kAxes[c - 1]));
    first_variable_column_ = un::first_variable_column(chosen);
    // "col " and the number as a print form writes it, with its blank for the sign: "col  4".
    for (int c = first_variable_column_; c <= scan.columns; ++c) {
      grid1_->setText(0, c, QStringLiteral("col  %1").arg(c));
    }
    for (int r = 1; r < kGridRows; ++r) {
      for (int c = 1; c <= scan.columns; ++c) {
        grid1_->setText(r, c, r <= scan.preview_samples() ? qs(scan.cell(r, c)) : QStringLiteral(" "));
      }
    }
    amostras_->setText(QString::number(scan.samples));
    busy.reset();
    expand();
  }

  void expand() {
    if (height_ > kStillCollapsed) return;
    for (int height = kCollapsedHeight; height < kExpandedHeight; height += kExpansionStep) {
      setPanelHeight(height);
      centreInWindow();
      frame6_->repaint();
    }
    setPanelHeight(kExpandedHeight);
    centreInWindow();
  }

  int firstYellowColumn() const {
    for (int c = 1; c < kGridCols; ++c) {
      if (grid1_->cellBackground(1, c) == kYellow) return c;
    }
    return -1;
  }

  void pickColumn() {
    const int clicked = grid1_->col();
    grid1_->setCurrentCell(0, clicked);
    const std::optional<un::ColumnPick> pick =
        un::pick_column(clicked, column_count_, first_variable_column_, firstYellowColumn());
    if (!pick) return;
    selected_column_ = pick->selected;
    previously_marked_ = pick->unmark;
    for (int r = 1; r < kGridRows; ++r) {
      grid1_->setCellBackground(r, previously_marked_, kWhite);
      grid1_->setCellBackground(r, selected_column_, kYellow);
    }
  }

  // The selected column as the yellow mark shows it: the last yellow cell of row 1.
  int markedColumn() const {
    int marked = -1;
    for (int c = 1; c <= std::min(column_count_, un::kMaxColumns); ++c) {
      if (grid1_->cellBackground(1, c) == kYellow) marked = c;
    }
    return marked;
  }

  void run() {
    PlatformServices& platform = context_.platform;
    un::RunRequest request;
    request.program_folder = context_.program_folder;
    request.window_mode = settings::read_window_mode(settings::preferences_path(request.program_folder));
    request.input_caption = str(uniformin_->text());
    request.output_caption = str(uniformout_->text());
    request.skip_text = str(skipuniform_->text());
    request.option = option();
    request.columns_text = str(variaveis_->text());
    request.samples_text = str(amostras_->text());
    request.selected_column = markedColumn();
    WindowHooks hooks(platform);
    const un::ProgramRunner runner = [&platform](const std::string& command_line, const std::string& where,
                                                 int mode, const std::function<bool()>& cancelled) {
      un::ProgramEnd ended;
      ended.started = platform.runAndWait(command_line, where, -1, mode, un::files::kCreationFlags, cancelled,
                                          ended.exit_status);
      return ended;
    };
    hooks.showAfterReset(
        BackgroundRun(frame6_->window(), QStringLiteral("Uniform transformation"), QStringLiteral("samples"),
                      hooks)([&](job::Hooks& worker) { return un::run_uniform(request, runner, worker); }));
  }

  // The output has no node counts of its own: they are asked for, and must hold every sample.
  void showOutputMap() {
    const std::string samples = str(amostras_->text());
    const long long count = textio::whole_part_of(samples);
    GridSource source;
    source.path_caption = str(uniformout_->text());
    source.values_per_node = un::coordinate_count(option()) + 1;
    source.value_index = source.values_per_node;  // the score, after the coordinates
    std::string typed = std::to_string(std::max(count, 1LL)) + ",1,1";
    for (;;) {
      const std::optional<std::string> answer = context_.platform.askText(
          "Map", "Node counts NX,NY,NZ of the " + std::to_string(count) + " samples:", typed);
      if (!answer) return;
      typed = *answer;
      std::array<std::string, 3> texts;
      std::size_t start = 0;
      for (std::string& text : texts) {
        const std::size_t comma = typed.find(',', start);
        text = typed.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        start = comma == std::string::npos ? typed.size() : comma + 1;
      }
      long long product = 1;
      for (const std::string& text : texts) product *= std::max(textio::whole_part_of(text), 0LL);
      if (product == count) {
        source.node_texts = texts;
        showGridView(context_, frame6_, source);
        return;
      }
      showOk(context_.platform,
             "NX x NY x NZ must be the " + std::to_string(count) + " samples of the file.");
    }
  }

  AppContext& context_;
  QGroupBox* frame6_;
  QLabel* uniformin_ = nullptr;
  QPushButton* command9_ = nullptr;
  QLineEdit* skipuniform_ = nullptr;
  QRadioButton* d2_ = nullptr;
  QRadioButton* d3_ = nullptr;
  QRadioButton* dn_ = nullptr;
  QPushButton* command20_ = nullptr;
  FlexGrid* grid1_ = nullptr;
  QLabel* variaveis_ = nullptr;
  QLabel* amostras_ = nullptr;
  QPushButton* command21_ = nullptr;
  QLabel* uniformout_ = nullptr;
  QPushButton* command7_ = nullptr;
  QPushButton* command8_ = nullptr;
  QPushButton* command6_ = nullptr;
  QPushButton* map8_ = nullptr;
  std::vector<QWidget*> lower_;  // what shows only when the panel is open

  int height_ = kDesignHeight;  // twips, as set
  // The 16-bit column count of the last import (kept even when the count was refused), the first
  // variable column of the last successful import, and the working values of the column pick.
  int column_count_ = 0;
  int first_variable_column_ = 1;
  int selected_column_ = -1;
  int previously_marked_ = -1;
};

}  // namespace

std::unique_ptr<JobPanels> createUniformJob(AppContext& context, QWidget* parent) {
  return std::make_unique<UniformJob>(context, parent);
}

}  // namespace meldrit::app
