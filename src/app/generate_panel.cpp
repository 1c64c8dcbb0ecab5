#include "app/generate_panel.h"

#ifdef MELDRIT_HAVE_GENERATOR
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "app/background_run.h"
#include "app/grid_view.h"
#include "app/job_hooks.h"
#include "app/panel_widgets.h"
#include "app/qt_text.h"
#include "app/request_save.h"
#include "pfield_generate/experimental_variogram.h"
#include "pfield_generate/pfield_run.h"
#include "textio/file_type.h"
#endif

namespace meldrit::app {

std::string generate_settings_path(const std::string& own_files_folder) {
  return own_files_folder + "/pfield.ini";
}

#ifdef MELDRIT_HAVE_GENERATOR
namespace {

namespace pg = meldrit::pfield_generate;

const QStringList kTypes = {QStringLiteral("sph"), QStringLiteral("exp"), QStringLiteral("gau")};
// The structure table's columns after the type, by their pfield.ini names.
const char* const kCellKeys[] = {"contribution", "major", "minor", "vertical", "azimuth", "dip", "plunge"};
constexpr int kCells = 7;
// What the panel holds before pfield.ini says otherwise, and what a new row starts with.
const QStringList kFirstRow = {"1", "10", "10", "1", "0", "0", "0"};
const QStringList kNewRow = {"0", "10", "10", "1", "0", "0", "0"};

const char* const kNodesFault = "NX, NY and NZ must be whole numbers.";
const char* const kSpacingFault = "DX, DY and DZ must be positive numbers.";
const char* const kSeedFault = "The seed must be a whole number, 0 or more.";
const char* const kRealizationsFault =
    "The realizations must be whole numbers with 1 <= First <= Last <= 4294967295.";
const char* const kNoOutput = "Please choose the output file!";
const char* const kNeedsNumber =
    "The output needs {} or {:03} for the realization's number when there are several.";

std::string trimmed(const QString& text) {
  return std::string(textio::trim_blanks(str(text)));
}

// The whole text must be the number: "12x" is no count.
template <typename T>
bool parseAll(const QString& text, T& value) {
  const std::string t = trimmed(text);
  const auto [end, error] = std::from_chars(t.data(), t.data() + t.size(), value);
  return !t.empty() && error == std::errc() && end == t.data() + t.size();
}

// The batch front end's filling of an output pattern, so that both name the same files.
std::string fillPattern(std::string pattern, std::uint64_t number) {
  char padded[32];
  std::snprintf(padded, sizeof padded, "%03llu", static_cast<unsigned long long>(number));
  for (const auto& [mark, text] : {std::pair<std::string, std::string>{"{:03}", padded},
                                   std::pair<std::string, std::string>{"{}", std::to_string(number)}}) {
    for (std::size_t at = pattern.find(mark); at != std::string::npos;
         at = pattern.find(mark, at + text.size()))
      pattern.replace(at, mark.size(), text);
  }
  return pattern;
}

class GeneratePanel : public GenerateJob {
 public:
  GeneratePanel(AppContext& context, QWidget* parent) : context_(context), platform_(context.platform) {
    build(parent);
    addPanel(frame_, true);
  }

  void loadSettingsOnce() override {
    if (loaded_) return;
    loaded_ = true;
    QFile file(qs(generate_settings_path(context_.program_folder)));
    // No file yet: the design defaults stay.
    if (!file.open(QIODevice::ReadOnly)) return;
    std::map<QString, QString> values;
    for (QString line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
      if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
      const qsizetype equals = line.indexOf(QLatin1Char('='));
      if (equals > 0) values[line.left(equals)] = line.mid(equals + 1);
    }
    for (const auto& [key, box] : boxes_) {
      if (const auto found = values.find(QLatin1String(key)); found != values.end())
        box->setText(found->second);
    }
    int rows = 0;
    if (!values.contains(QStringLiteral("structures")) ||
        !parseAll(values[QStringLiteral("structures")], rows))
      return;
    table_->setRowCount(0);
    for (int row = 1; row <= std::min(rows, 100); ++row) {
      const QString prefix = QStringLiteral("structure%1.").arg(row);
      QStringList cells;
      for (const char* key : kCellKeys) cells << values[prefix + QLatin1String(key)];
      addRow(values[prefix + QStringLiteral("type")], cells);
    }
    refreshModelText();
  }

 private:
  void build(QWidget* parent) {
    frame_ =
        makeFrame(parent, "FrameGenerate", QStringLiteral(" Generate p-fields (correlated uniform fields)"));
    frame_->resize(twips(11400), twips(7200));
    frame_->hide();

    QGroupBox* grid = makeFrame(frame_, "gridFrame", QStringLiteral("Grid"));
    place(grid, 240, 360, 5400, 1560);
    place(makeLabel(grid, "nodesLabel", QStringLiteral("Nodes")), 240, 640, 1000, 300);
    place(makeLabel(grid, "spacingLabel", QStringLiteral("Spacing")), 240, 1080, 1000, 300);
    const char* const axes[] = {"X", "Y", "Z"};
    for (int i = 0; i < 3; ++i) {
      QLabel* axis = makeLabel(grid, QStringLiteral("axis%1").arg(axes[i]), QLatin1String(axes[i]));
      axis->setAlignment(Qt::AlignCenter);
      place(axis, 1300 + 1300 * i, 300, 1100, 250);
      nodes_[i] = makeLineEdit(grid, QStringLiteral("n%1").arg(axes[i]).toLower(), QStringLiteral("100"));
      place(nodes_[i], 1300 + 1300 * i, 580, 1100, 380);
      spacing_[i] = makeLineEdit(grid, QStringLiteral("d%1").arg(axes[i]).toLower(), QStringLiteral("1"));
      place(spacing_[i], 1300 + 1300 * i, 1020, 1100, 380);
    }
    nodes_[2]->setText(QStringLiteral("1"));

    QGroupBox* realizations = makeFrame(frame_, "realizationFrame", QStringLiteral("Realizations"));
    place(realizations, 5880, 360, 5280, 1560);
    const char* const names[] = {"seed", "firstRealization", "lastRealization"};
    const char* const captions[] = {"Seed", "First", "Last"};
    std::array<QLineEdit*, 3> boxes{};
    for (int i = 0; i < 3; ++i) {
      place(makeLabel(realizations, QStringLiteral("%1Label").arg(names[i]), QLatin1String(captions[i])),
            240 + 1700 * i, 300, 1500, 250);
      boxes[i] = makeLineEdit(realizations, QLatin1String(names[i]), QStringLiteral("1"));
      place(boxes[i], 240 + 1700 * i, 580, 1500, 380);
    }
    seed_ = boxes[0];
    first_ = boxes[1];
    last_ = boxes[2];

    QGroupBox* model = makeFrame(frame_, "modelFrame", QStringLiteral("Variogram model"));
    place(model, 240, 2040, 10920, 3000);
    table_ = new QTableWidget(0, 1 + kCells, model);
    table_->setObjectName(QStringLiteral("structures"));
    table_->setHorizontalHeaderLabels({QStringLiteral("Type"), QStringLiteral("Contribution"),
                                       QStringLiteral("Major range"), QStringLiteral("Minor range"),
                                       QStringLiteral("Vert. range"), QStringLiteral("Azimuth"),
                                       QStringLiteral("Dip"), QStringLiteral("Plunge")});
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    place(table_, 240, 320, 10440, 1800);
    QPushButton* add = makeButton(model, "addStructure", QStringLiteral("Add structure"),
                                  QStringLiteral("Add a nested structure"));
    place(add, 240, 2200, 1700, 400);
    QPushButton* remove = makeButton(model, "removeStructure", QStringLiteral("Remove structure"),
                                     QStringLiteral("Remove the selected structure (the last when none is)"));
    place(remove, 2080, 2200, 1900, 400);
    place(makeLabel(model, "nuggetLabel", QStringLiteral("Nugget")), 4300, 2260, 900, 300);
    nugget_ = makeLineEdit(model, "nugget", QStringLiteral("0"));
    place(nugget_, 5200, 2200, 1200, 400);
    model_text_ = makeLabel(model, "modelText", QString());
    place(model_text_, 240, 2660, 10440, 300);
    addRow(kTypes[0], kFirstRow);

    QGroupBox* output = makeFrame(
        frame_, "outputFrame",
        QStringLiteral("Output Data Files (*.OUT): {} or {:03} stands for the realization's number"));
    place(output, 240, 5160, 10920, 900);
    output_ = makeLineEdit(output, "outputPattern", QString());
    place(output_, 240, 360, 8800, 400);
    QPushButton* save_as =
        makeButton(output, "saveOutput", QStringLiteral("Save As"), QStringLiteral("Choose the output file"));
    place(save_as, 9200, 340, 1480, 440);

    QPushButton* run = makeButton(frame_, "runGenerate", QStringLiteral("RUN"),
                                  QStringLiteral("Generate and write the realizations"));
    place(run, 240, 6300, 1800, 600);
    QPushButton* map = makeButton(frame_, "mapGenerate", QStringLiteral("Map"),
                                  QStringLiteral("Show a map of the first realization"));
    place(map, 2280, 6300, 1200, 600);
    QPushButton* variogram =
        makeButton(frame_, "variogramGenerate", QStringLiteral("Variogram"),
                   QStringLiteral("The first realization's variogram against the model"));
    place(variogram, 3720, 6300, 1600, 600);
    QPushButton* save_request = makeSaveRequestButton(frame_);
    place(save_request, 5560, 6300, 1800, 600);

    boxes_ = {{"nx", nodes_[0]},   {"ny", nodes_[1]},   {"nz", nodes_[2]},   {"dx", spacing_[0]},
              {"dy", spacing_[1]}, {"dz", spacing_[2]}, {"nugget", nugget_}, {"seed", seed_},
              {"first", first_},   {"last", last_},     {"output", output_}};

    QObject::connect(add, &QPushButton::clicked, frame_, [this] {
      addRow(kTypes[0], kNewRow);
      refreshModelText();
    });
    QObject::connect(remove, &QPushButton::clicked, frame_, [this] {
      if (table_->rowCount() == 0) return;
      const int row = table_->currentRow();
      table_->removeRow(row >= 0 ? row : table_->rowCount() - 1);
      refreshModelText();
    });
    QObject::connect(table_, &QTableWidget::itemChanged, frame_, [this] { refreshModelText(); });
    QObject::connect(nugget_, &QLineEdit::textChanged, frame_, [this] { refreshModelText(); });
    QObject::connect(save_as, &QPushButton::clicked, frame_, [this] { chooseOutput(); });
    QObject::connect(run, &QPushButton::clicked, frame_, [this] { runGenerate(); });
    QObject::connect(save_request, &QPushButton::clicked, frame_, [this] { saveRunRequest(); });
    QObject::connect(map, &QPushButton::clicked, frame_, [this] { showMap(); });
    QObject::connect(variogram, &QPushButton::clicked, frame_, [this] { showVariogram(); });
    refreshModelText();
  }

  void addRow(const QString& type, const QStringList& cells) {
    const int row = table_->rowCount();
    table_->insertRow(row);
    auto* combo = new QComboBox(table_);
    combo->addItems(kTypes);
    combo->setCurrentIndex(std::max<qsizetype>(0, kTypes.indexOf(type)));
    table_->setCellWidget(row, 0, combo);
    QObject::connect(combo, &QComboBox::currentIndexChanged, frame_, [this] { refreshModelText(); });
    for (int c = 0; c < kCells; ++c) table_->setItem(row, 1 + c, new QTableWidgetItem(cells.value(c)));
  }

  QString typeAt(int row) const { return static_cast<QComboBox*>(table_->cellWidget(row, 0))->currentText(); }
  QString cell(int row, int c) const {
    const QTableWidgetItem* item = table_->item(row, 1 + c);
    return item != nullptr ? item->text() : QString();
  }

  // The model in the text form the batch front end takes: "0.1 nug + 0.9 sph(50,30,5; 45,0,0)".
  // A blank nugget box means no nugget term; blank cells are left for the parser to name.
  std::string modelText() const {
    std::string text = trimmed(nugget_->text());
    if (!text.empty()) text += " nug";
    for (int row = 0; row < table_->rowCount(); ++row) {
      if (!text.empty()) text += " + ";
      std::array<std::string, kCells> v;
      for (int c = 0; c < kCells; ++c) v[c] = trimmed(cell(row, c));
      text += v[0] + " " + str(typeAt(row)) + "(" + v[1] + "," + v[2] + "," + v[3] + "; " + v[4] + "," +
              v[5] + "," + v[6] + ")";
    }
    return text;
  }

  void refreshModelText() { model_text_->setText(qs(modelText())); }

  // The grid of the boxes; the fault's message when one is not a number.
  std::string readGrid(pg::GridGeometry& grid) const {
    std::int64_t* counts[] = {&grid.nx, &grid.ny, &grid.nz};
    double* steps[] = {&grid.dx, &grid.dy, &grid.dz};
    for (int i = 0; i < 3; ++i) {
      if (!parseAll(nodes_[i]->text(), *counts[i])) return kNodesFault;
      if (!parseAll(spacing_[i]->text(), *steps[i]) || !(*steps[i] > 0) || !std::isfinite(*steps[i]))
        return kSpacingFault;
    }
    return {};
  }

  std::string readRealizations(std::uint64_t& first, std::uint64_t& last) const {
    if (!parseAll(first_->text(), first) || !parseAll(last_->text(), last) || first < 1 || last < first ||
        last > 0xffffffffULL)
      return kRealizationsFault;
    return {};
  }

  // The request `meldrit-cli pfield` builds from the same values; the fault's message otherwise.
  std::string readRequest(pg::PfieldRunRequest& request) const {
    if (std::string fault = readGrid(request.field.grid); !fault.empty()) return fault;
    const pg::ModelParse model = pg::parse_variogram_model(modelText());
    if (!model.ok()) return model.error;
    request.field.model = model.model;
    if (!parseAll(seed_->text(), request.field.seed)) return kSeedFault;
    if (std::string fault = readRealizations(request.first, request.last); !fault.empty()) return fault;
    const std::string pattern = trimmed(output_->text());
    if (pattern.empty()) return kNoOutput;
    if (request.first != request.last && fillPattern(pattern, 1) == pattern) return kNeedsNumber;
    for (std::uint64_t r = request.first; r <= request.last; ++r)
      request.outputs.push_back(fillPattern(pattern, r));
    return {};
  }

  // The first realization's file, which Map and Variogram look at; nullopt after a message.
  std::optional<std::string> firstOutput() {
    std::uint64_t first = 0, last = 0;
    if (const std::string fault = readRealizations(first, last); !fault.empty()) {
      showOk(platform_, fault);
      return std::nullopt;
    }
    const std::string pattern = trimmed(output_->text());
    if (pattern.empty()) {
      showOk(platform_, kNoOutput);
      return std::nullopt;
    }
    return fillPattern(pattern, first);
  }

  void saveSettings() const {
    QString text;
    for (const auto& [key, box] : boxes_)
      text += QLatin1String(key) + QLatin1Char('=') + box->text() + "\r\n";
    text += QStringLiteral("structures=%1\r\n").arg(table_->rowCount());
    for (int row = 0; row < table_->rowCount(); ++row) {
      const QString prefix = QStringLiteral("structure%1.").arg(row + 1);
      text += prefix + QStringLiteral("type=") + typeAt(row) + "\r\n";
      for (int c = 0; c < kCells; ++c)
        text += prefix + QLatin1String(kCellKeys[c]) + '=' + cell(row, c) + "\r\n";
    }
    // A folder that takes no file loses the values, not the run.
    QFile file(qs(generate_settings_path(context_.program_folder)));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.write(text.toUtf8());
  }

  void chooseOutput() {
    FileDialogRequest request;
    request.save = true;
    request.title = "Output Data File (*.OUT)";
    request.filter = "(*.OUT)|*.OUT";
    request.default_ext = "*.OUT";
    if (const std::optional<FileChoice> choice = platform_.chooseFile(request))
      output_->setText(qs(choice->full_path));
  }

  void runGenerate() {
    saveSettings();
    pg::PfieldRunRequest request;
    if (const std::string fault = readRequest(request); !fault.empty()) {
      showOk(platform_, fault);
      return;
    }
    WindowHooks hooks(platform_);
    hooks.showAfterReset(
        BackgroundRun(frame_->window(), QStringLiteral("Generating p-fields"), QStringLiteral("nodes"),
                      hooks)([&](job::Hooks& worker) { return pg::write_pfields(request, worker); }));
  }

  // The run as `meldrit-cli pfield` takes it, refused as RUN refuses it.
  void saveRunRequest() {
    pg::PfieldRunRequest request;
    if (const std::string fault = readRequest(request); !fault.empty()) {
      showOk(platform_, fault);
      return;
    }
    const pg::GridGeometry& grid = request.field.grid;
    saveRequest(platform_, "pfield",
                {{"--nodes",
                  {std::to_string(grid.nx) + "," + std::to_string(grid.ny) + "," + std::to_string(grid.nz)}},
                 {"--variogram", {modelText()}},
                 {"--spacing", {numberText(grid.dx) + "," + numberText(grid.dy) + "," + numberText(grid.dz)}},
                 {"--seed", {std::to_string(request.field.seed)}},
                 {"--realizations", {std::to_string(request.first) + "-" + std::to_string(request.last)}},
                 {"--output", {trimmed(output_->text())}}},
                request.outputs);
  }

  void showMap() {
    const std::optional<std::string> path = firstOutput();
    if (!path) return;
    GridSource source;
    source.path_caption = *path;
    for (int i = 0; i < 3; ++i) source.node_texts[i] = str(nodes_[i]->text());
    // The field's spacing, its cells from 0 as GSLIB lays them out: node 1 at half a spacing.
    if (pg::GridGeometry grid; readGrid(grid).empty()) {
      source.origin_text =
          numberText(grid.dx / 2) + "," + numberText(grid.dy / 2) + "," + numberText(grid.dz / 2);
      source.spacing_text = numberText(grid.dx) + "," + numberText(grid.dy) + "," + numberText(grid.dz);
    }
    showGridView(context_, frame_, source);
  }

  void showVariogram() {
    const std::optional<std::string> path = firstOutput();
    if (!path) return;
    pg::GridVariogramRequest request;
    pg::GridGeometry grid;
    std::string fault = readGrid(grid);
    const pg::ModelParse model = pg::parse_variogram_model(modelText());
    if (fault.empty() && !model.ok()) fault = model.error;
    if (!fault.empty()) {
      showOk(platform_, fault);
      return;
    }
    request.grid.path = *path;
    request.grid.nx = grid.nx;
    request.grid.ny = grid.ny;
    request.grid.nz = grid.nz;
    request.dx = grid.dx;
    request.dy = grid.dy;
    request.dz = grid.dz;
    // The file holds uniform values: their normal scores are what the Gaussian model describes.
    request.normal_scores = true;
    job::Hooks window_side;
    const pg::VariogramResult result =
        BackgroundRun(frame_->window(), QStringLiteral("Computing the variogram"), QStringLiteral("nodes"),
                      window_side)([&](job::Hooks& worker) { return pg::grid_variogram(request, worker); });
    if (result.outcome.ending == job::Ending::Cancelled) return;
    if (!result.outcome.completed()) {
      showOk(platform_, result.outcome.message);
      return;
    }
    const std::string name(textio::bare_file_name(*path));
    auto* dialog = new QDialog(frame_->window());
    dialog->setObjectName(QStringLiteral("variogramDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(qs(name) + QStringLiteral(" - Variogram"));
    auto* layout = new QVBoxLayout(dialog);
    auto* picture = new QLabel(dialog);
    picture->setObjectName(QStringLiteral("variogramPicture"));
    picture->setPixmap(QPixmap::fromImage(toQImage(
        pg::variogram_figure(result.curves, &model.model, "Variogram of the normal scores of " + name))));
    layout->addWidget(picture);
    dialog->show();
  }

  AppContext& context_;
  PlatformServices& platform_;
  bool loaded_ = false;
  QGroupBox* frame_ = nullptr;
  std::array<QLineEdit*, 3> nodes_{};
  std::array<QLineEdit*, 3> spacing_{};
  QLineEdit* seed_ = nullptr;
  QLineEdit* first_ = nullptr;
  QLineEdit* last_ = nullptr;
  QTableWidget* table_ = nullptr;
  QLineEdit* nugget_ = nullptr;
  QLabel* model_text_ = nullptr;
  QLineEdit* output_ = nullptr;
  // The boxes pfield.ini keeps, by their keys there.
  std::vector<std::pair<const char*, QLineEdit*>> boxes_;
};

}  // namespace

std::unique_ptr<GenerateJob> createGenerateJob(AppContext& context, QWidget* parent) {
  return std::make_unique<GeneratePanel>(context, parent);
}
#else
std::unique_ptr<GenerateJob> createGenerateJob(AppContext&, QWidget*) {
  return nullptr;
}
#endif

}  // namespace meldrit::app
