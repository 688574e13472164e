#pragma once

#include <QStringList>
#include <QWidget>
#include <array>
#include <initializer_list>

class QToolButton;

// The record navigator's buttons, in their standard order.
enum TNavigateBtn { nbFirst, nbPrior, nbNext, nbLast, nbInsert, nbDelete, nbEdit, nbPost, nbCancel, nbRefresh };
inline constexpr int NavigateButtonCount = nbRefresh + 1;

// A row of buttons that move through a dataset's records and edit them. Each button has a
// short|long hint; the standard hints apply until SetHints replaces them.
class TDBNavigator : public QWidget {
public:
    explicit TDBNavigator(QWidget* parent);

    void SetVisibleButtons(std::initializer_list<TNavigateBtn> buttons);
    void SetHints(const QStringList& hints);
    QToolButton* Button(TNavigateBtn button) const { return buttons_[button]; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void LayOutButtons();

    std::array<QToolButton*, NavigateButtonCount> buttons_{};
};
