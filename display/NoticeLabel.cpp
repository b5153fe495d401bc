#include "NoticeLabel.h"

#include <QTimer>

namespace pelmora {

namespace {

constexpr const char* kName = "Label_notice";
constexpr int kMargin = 24;

} // namespace

NoticeLabel::NoticeLabel(QWidget* window)
    : QLabel(window)
    , timer_(new QTimer(this))
{
    setObjectName(kName);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setStyleSheet("QLabel { color: white; background: rgba(0, 0, 0, 170); border-radius: 6px; padding: 6px 12px; }");
    timer_->setSingleShot(true);
    timer_->setInterval(kShownMs);
    connect(timer_, &QTimer::timeout, this, &QWidget::hide);
}

void NoticeLabel::ShowOver(QWidget* window, const QString& text)
{
    auto* label = window->findChild<NoticeLabel*>(kName, Qt::FindDirectChildrenOnly);
    if (!label)
        label = new NoticeLabel(window);
    label->setText(text);
    label->PlaceAtBottom();
    label->show();
    label->raise();
    label->timer_->start();
}

void NoticeLabel::PlaceAtBottom()
{
    adjustSize();
    const QWidget* window = parentWidget();
    move((window->width() - width()) / 2, window->height() - height() - kMargin);
}

} // namespace pelmora
