#include "app/background_run.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "app/qt_text.h"

namespace meldrit::app {
namespace {

// The operation's hooks on the worker thread: each event runs the window's hook on the window's
// thread; progress is only kept for the next redraw of the dialog.
class WorkerHooks : public job::Hooks {
 public:
  explicit WorkerHooks(job::Hooks& window) : window_(window) {}

  void checks_passed() override {
    onWindow([this] { window_.checks_passed(); });
  }
  void warning(const std::string& text) override {
    onWindow([&] { window_.warning(text); });
  }
  void counted(std::string_view what, std::uint64_t value) override {
    onWindow([&] { window_.counted(what, value); });
  }
  void stage(std::string_view name) override {
    beginStep(name, {});
    onWindow([&] { window_.stage(name); });
  }
  void step(std::string_view name, std::string_view unit) override {
    beginStep(name, unit);
    onWindow([&] { window_.step(name, unit); });
  }
  void progress(const job::Progress& progress) override {
    {
      std::lock_guard lock(mutex_);
      now_.progress = progress;
      now_.reported = true;
      fresh_ = true;
    }
    // The window's own display of it (the import's bar) need not hold the operation up.
    QMetaObject::invokeMethod(
        qApp, [this, progress] { window_.progress(progress); }, Qt::QueuedConnection);
  }
  bool cancel_requested() override { return cancel_.load(); }

  // Where the operation is: its step, that step's progress and when it began.
  struct Now {
    std::string stage;
    std::string unit;  // the step's own; empty: the operation's
    job::Progress progress;
    bool reported = false;  // the step reported progress: its length is known
    std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
  };

  void cancel() { cancel_ = true; }
  // The latest step and progress; `fresh` tells whether progress came since the last look.
  Now snapshot(bool& fresh) {
    std::lock_guard lock(mutex_);
    fresh = fresh_;
    fresh_ = false;
    return now_;
  }

 private:
  template <typename F>
  void onWindow(F f) {
    QMetaObject::invokeMethod(qApp, f, Qt::BlockingQueuedConnection);
  }

  // A step counts afresh: the figures of the one before are not its own.
  void beginStep(std::string_view name, std::string_view unit) {
    std::lock_guard lock(mutex_);
    now_ = Now{};
    now_.stage = name;
    now_.unit = unit;
  }

  job::Hooks& window_;
  std::atomic<bool> cancel_{false};
  std::mutex mutex_;
  Now now_;
  bool fresh_ = false;
};

// Keeps the user's hands off the main window (its controls, menus, shortcuts and close box) while
// the operation runs; the progress dialog and the message boxes are windows of their own.
class InputBlocker : public QObject {
 public:
  explicit InputBlocker(QWidget* blocked) : blocked_(blocked) { qApp->installEventFilter(this); }
  ~InputBlocker() override { qApp->removeEventFilter(this); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::Shortcut:
        return true;
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::Wheel:
      case QEvent::ContextMenu:
      case QEvent::Close: {
        auto* widget = qobject_cast<QWidget*>(watched);
        return widget != nullptr && widget->window() == blocked_;
      }
      default:
        return false;
    }
  }

 private:
  QWidget* blocked_;
};

QString clockText(qint64 ms) {
  const qint64 seconds = (ms + 500) / 1000;
  return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace

int& BackgroundRun::dialogDelay() {
  static int delay = 500;
  return delay;
}

BackgroundRun::BackgroundRun(QWidget* window, QString name, QString unit, job::Hooks& window_hooks)
    : window_(window), name_(std::move(name)), unit_(std::move(unit)), window_hooks_(window_hooks) {}

void BackgroundRun::run(const std::function<void(job::Hooks&)>& body) {
  WorkerHooks hooks(window_hooks_);

  QDialog dialog(window_);
  dialog.setObjectName(QStringLiteral("progressDialog"));
  dialog.setWindowTitle(QStringLiteral("Meldrit"));
  dialog.setWindowModality(Qt::ApplicationModal);
  // Closing it by its title bar would leave the operation running unseen: only Cancel ends it.
  dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  auto* layout = new QVBoxLayout(&dialog);
  auto* what = new QLabel(name_, &dialog);
  what->setObjectName(QStringLiteral("operation"));
  auto* bar = new QProgressBar(&dialog);
  bar->setObjectName(QStringLiteral("progress"));
  bar->setRange(0, 1000);
  bar->setTextVisible(false);
  auto* figures = new QLabel(&dialog);
  figures->setObjectName(QStringLiteral("figures"));
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), &dialog);
  cancel->setObjectName(QStringLiteral("cancelButton"));
  for (QWidget* widget : std::initializer_list<QWidget*>{what, bar, figures, cancel})
    layout->addWidget(widget);
  dialog.setMinimumWidth(360);
  QObject::connect(cancel, &QPushButton::clicked, &dialog, [&] {
    hooks.cancel();
    cancel->setEnabled(false);
    cancel->setText(QStringLiteral("Cancelling..."));
  });

  const auto refresh = [&] {
    bool fresh = false;
    const WorkerHooks::Now now = hooks.snapshot(fresh);
    const job::Progress& p = now.progress;
    what->setText(now.stage.empty() ? name_ : name_ + QStringLiteral(": ") + qs(now.stage));
    // The time of the step shown, so that its time left is its own.
    const qint64 elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - now.started)
            .count();
    if (!now.stage.empty() && !now.reported) {
      // A step of unknown length (a program that runs on its own) shows only how long it has taken.
      bar->setRange(0, 0);
      figures->setText(QStringLiteral("%1 spent").arg(clockText(elapsed)));
      return;
    }
    double share = -1;
    if (p.bytes_total > 0) {
      share = static_cast<double>(p.bytes_read) / static_cast<double>(p.bytes_total);
    } else if (p.items_total > 0) {
      share = static_cast<double>(p.items_done) / static_cast<double>(p.items_total);
    }
    if (share >= 0) {
      bar->setRange(0, 1000);
      bar->setValue(static_cast<int>(std::min(share, 1.0) * 1000));
    } else {
      bar->setRange(0, 0);  // busy, without a known end
    }
    const QString unit = now.unit.empty() ? unit_ : qs(now.unit);
    QString text = QStringLiteral("%1 %2   %3 spent").arg(p.items_done).arg(unit, clockText(elapsed));
    if (share > 0.001 && share < 1)
      text += QStringLiteral("   %1 left").arg(clockText(static_cast<qint64>(elapsed * (1 - share) / share)));
    figures->setText(text);
  };

  QEventLoop loop;
  InputBlocker blocker(window_ != nullptr ? window_->window() : nullptr);
  QTimer show_later;
  show_later.setSingleShot(true);
  QObject::connect(&show_later, &QTimer::timeout, &dialog, [&] {
    refresh();
    dialog.show();
  });
  show_later.start(dialogDelay());
  QTimer redraw;
  QObject::connect(&redraw, &QTimer::timeout, &dialog, [&] {
    if (dialog.isVisible()) refresh();
  });
  redraw.start(100);

  std::exception_ptr failure;
  std::thread worker([&] {
    try {
      body(hooks);
    } catch (...) {
      failure = std::current_exception();
    }
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });
  loop.exec();
  worker.join();
  dialog.hide();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace meldrit::app
