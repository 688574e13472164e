#include "controls/DBNavigator.h"

#include "controls/Hint.h"

#include <QStyle>
#include <QToolButton>

namespace {

struct ButtonLook {
    const char* standardHint;
    QStyle::StandardPixmap icon;
    const char* text; // where the style has no fitting icon
};

constexpr ButtonLook Looks[NavigateButtonCount] = {
    {"First record", QStyle::SP_MediaSkipBackward, nullptr},
    {"Prior record", QStyle::SP_MediaSeekBackward, nullptr},
    {"Next record", QStyle::SP_MediaSeekForward, nullptr},
    {"Last record", QStyle::SP_MediaSkipForward, nullptr},
    {"Insert record", QStyle::SP_CustomBase, "+"},
    {"Delete record", QStyle::SP_CustomBase, "\u2212"},
    {"Edit record", QStyle::SP_CustomBase, "\u25B3"},
    {"Post edit", QStyle::SP_CustomBase, "\u2713"},
    {"Cancel edit", QStyle::SP_CustomBase, "\u2717"},
    {"Refresh data", QStyle::SP_BrowserReload, nullptr},
};

} // namespace

TDBNavigator::TDBNavigator(QWidget* parent) : QWidget(parent)
{
    for (int i = 0; i < NavigateButtonCount; ++i) {
        auto* button = new QToolButton(this);
        if (Looks[i].text)
            button->setText(QString::fromUtf8(Looks[i].text));
        else
            button->setIcon(style()->standardIcon(Looks[i].icon));
        SetHint(button, Looks[i].standardHint);
        button->setEnabled(false);
        buttons_[i] = button;
    }
}

void TDBNavigator::SetVisibleButtons(std::initializer_list<TNavigateBtn> visible)
{
    for (QToolButton* button : buttons_)
        button->setVisible(false);
    for (TNavigateBtn button : visible)
        buttons_[button]->setVisible(true);
    LayOutButtons();
}

void TDBNavigator::SetHints(const QStringList& hints)
{
    for (int i = 0; i < NavigateButtonCount && i < hints.size(); ++i)
        SetHint(buttons_[i], hints[i]);
}

void TDBNavigator::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    LayOutButtons();
}

// The visible buttons share the width equally, the last one taking what the division leaves.
void TDBNavigator::LayOutButtons()
{
    int count = 0;
    for (QToolButton* button : buttons_)
        count += !button->isHidden();
    if (!count)
        return;
    int width = this->width() / count, x = 0;
    for (QToolButton* button : buttons_) {
        if (button->isHidden())
            continue;
        bool last = x + 2 * width > this->width();
        button->setGeometry(x, 0, last ? this->width() - x : width, height());
        x += width;
    }
}
