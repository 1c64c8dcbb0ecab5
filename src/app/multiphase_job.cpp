#include <QGroupBox>

#include "app/job_panel.h"

namespace meldrit::app {
namespace {

class MultiphaseJob : public JobPanels {
 public:
  MultiphaseJob(AppContext& context, QWidget* parent) : context_(context) {
    frame1_ = new QGroupBox(QStringLiteral("Input Data File (*.OUT):  p- Field algorithm using global ccdf"), parent);
    frame1_->setObjectName(QStringLiteral("Frame1"));
    frame1_->resize(twips(11400), twips(6600));
    frame4_ = new QGroupBox(QStringLiteral(" p-Field algorithm using global ccdf"), parent);
    frame4_->setObjectName(QStringLiteral("Frame4"));
    frame4_->resize(twips(11400), twips(7600));
  }
  void restore(const settings::SessionSettings&) override {}
  void save(settings::SessionSettings&) const override {}

 private:
  AppContext& context_;
  QGroupBox* frame1_;
  QGroupBox* frame4_;
};

}  // namespace

std::unique_ptr<JobPanels> createMultiphaseJob(AppContext& context, QWidget* parent) {
  return std::make_unique<MultiphaseJob>(context, parent);
}

}  // namespace meldrit::app
