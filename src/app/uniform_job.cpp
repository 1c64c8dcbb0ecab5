#include <QGroupBox>

#include "app/job_panel.h"

namespace meldrit::app {
namespace {

class UniformJob : public JobPanels {
 public:
  UniformJob(AppContext& context, QWidget* parent) : context_(context) {
    frame6_ = new QGroupBox(QStringLiteral("Input Data File (*.OUT) - Transform to Uniform"), parent);
    frame6_->setObjectName(QStringLiteral("Frame6"));
    frame6_->resize(twips(11000), twips(1425));
  }
  void restore(const settings::SessionSettings&) override {}
  void save(settings::SessionSettings&) const override {}

 private:
  AppContext& context_;
  QGroupBox* frame6_;
};

}  // namespace

std::unique_ptr<JobPanels> createUniformJob(AppContext& context, QWidget* parent) {
  return std::make_unique<UniformJob>(context, parent);
}

}  // namespace meldrit::app
