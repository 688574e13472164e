#include "app/StatusBar.h"

#include <QHBoxLayout>
#include <QLabel>

TStatusBar::TStatusBar(QWidget* parent) : QFrame(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
}

void TStatusBar::AddPanel(int width, const QString& text)
{
    auto* panel = new QLabel(text, this);
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setMinimumWidth(width);
    if (!panels_.isEmpty())
        panels_.last()->setFixedWidth(panels_.last()->minimumWidth());
    auto* row = static_cast<QHBoxLayout*>(layout());
    row->addWidget(panel, 1);
    panels_.append(panel);
}

QString TStatusBar::PanelText(int index) const
{
    return panels_.at(index)->text();
}

void TStatusBar::SetPanelText(int index, const QString& text)
{
    panels_.at(index)->setText(text);
}
