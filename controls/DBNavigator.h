#pragma once
// The record navigator control: buttons that move through and edit a data source's dataset.
#include "controls/CallbackDataLink.h"

#include <QStringList>
#include <QWidget>

#include <array>
#include <functional>
#include <initializer_list>

class QToolButton;
class TDataSource;

// The record navigator's buttons, in their standard order.
enum TNavigateBtn { nbFirst, nbPrior, nbNext, nbLast, nbInsert, nbDelete, nbEdit, nbPost, nbCancel, nbRefresh };
inline constexpr int NavigateButtonCount = nbRefresh + 1;

// A row of buttons that move through the records of a data source's dataset and edit them. A
// button is enabled only while its action is possible. Each button has a short|long hint; the
// standard hints apply until SetHints replaces them.
class TDBNavigator : public QWidget {
 public:
  explicit TDBNavigator(QWidget* parent);

  void SetDataSource(TDataSource* source);
  TDataSource* DataSource() const { return link_.DataSource(); }

  // Delete asks ConfirmAction("Delete record?") first and deletes only when it answers true.
  bool ConfirmDelete = true;
  // Asks the user a question with OK and Cancel; true unless Cancel. A message box unless set.
  std::function<bool(TDBNavigator& sender, const QString& question)> ConfirmAction;

  // Runs the dataset call of Delete, Post or Refresh, which wait for the server; at once unless
  // set. Its errors go on to the caller.
  std::function<void(TDBNavigator& sender, TNavigateBtn button, const std::function<void()>& call)> RunServerCall;

  // Carries out a button's action on the dataset; errors of the dataset go on to the caller.
  void BtnClick(TNavigateBtn button);

  void SetVisibleButtons(std::initializer_list<TNavigateBtn> buttons);
  void SetHints(const QStringList& hints);
  QToolButton* Button(TNavigateBtn button) const { return buttons_[button]; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void LayOutButtons();
  void UpdateButtons();
  bool Confirm(const QString& question);
  void ServerCall(TNavigateBtn button, const std::function<void()>& call);

  std::array<QToolButton*, NavigateButtonCount> buttons_{};
  TCallbackDataLink link_;
};
