#include <QGroupBox>

#include "app/job_panel.h"

namespace meldrit::app {
namespace {

class LocalJob : public JobPanels {
 public:
  LocalJob(AppContext& context, QWidget* parent) : context_(context) {
    frame18_ = new QGroupBox(QStringLiteral(" p-Field algorithm using local ccdf"), parent);
    frame18_->setObjectName(QStringLiteral("Frame18"));
    frame18_->resize(twips(11400), twips(6000));
    frame18_->hide();
    frame5_ = new QGroupBox(QStringLiteral("Input Data File (*.OUT):  p- Field algorithm using local ccdf"), parent);
    frame5_->setObjectName(QStringLiteral("Frame5"));
    frame5_->resize(twips(11400), twips(7200));
    frame5_->hide();
  }
  void restore(const settings::SessionSettings&) override {}
  void save(settings::SessionSettings&) const override {}

 private:
  AppContext& context_;
  QGroupBox* frame18_;
  QGroupBox* frame5_;
};

}  // namespace

std::unique_ptr<JobPanels> createLocalJob(AppContext& context, QWidget* parent) {
  return std::make_unique<LocalJob>(context, parent);
}

}  // namespace meldrit::app
