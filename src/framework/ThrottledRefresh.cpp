#include "framework/ThrottledRefresh.h"

#include <QEvent>
#include <QWidget>

namespace nuvex3 {

ThrottledRefresh::ThrottledRefresh(QWidget* watched, std::function<void()> refresh, int intervalMs)
    : QObject(watched), watched_(watched), refresh_(std::move(refresh)) {
    timer_.setSingleShot(true);
    timer_.setInterval(intervalMs);
    connect(&timer_, &QTimer::timeout, this, [this] {
        if (watched_->isVisible())
            flush();
    });
    watched_->installEventFilter(this);
}

void ThrottledRefresh::request() {
    due_ = true;
    if (watched_->isVisible() && !timer_.isActive())
        timer_.start();
}

void ThrottledRefresh::flush() {
    timer_.stop();
    if (!due_)
        return;
    due_ = false;
    refresh_();
}

bool ThrottledRefresh::eventFilter(QObject* watched, QEvent* event) {
    if (watched == watched_ && event->type() == QEvent::Show && due_)
        flush();
    return QObject::eventFilter(watched, event);
}

} // namespace nuvex3
