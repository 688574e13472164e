#pragma once

#include <QFrame>
#include <QList>

class QLabel;

// A status bar of fixed-width text panels; the last panel takes the rest of the width.
class TStatusBar : public QFrame {
public:
    explicit TStatusBar(QWidget* parent);

    void AddPanel(int width, const QString& text = {});
    QString PanelText(int index) const;
    void SetPanelText(int index, const QString& text);

private:
    QList<QLabel*> panels_;
};
