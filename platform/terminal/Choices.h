#pragma once
// What the popup menu and a message box offer, whichever way they are shown.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Form.h"
#include "platform/MsgBoxStyle.h"

namespace terminal {

// The open popup menu: its visible items, and the highlighted one that the
// arrows move and Enter chooses.
class PopupMenu {
 public:
  // The first item that can be chosen is highlighted.
  explicit PopupMenu(const MenuItem& menu);

  const std::vector<MenuItem*>& Items() const { return items_; }
  static bool Selectable(const MenuItem& item) { return item.Enabled && !item.IsSeparator(); }
  // The item that can be chosen with this access key (any case), or null.
  MenuItem* ByAccessKey(std::string_view key) const;
  // The highlighted item's place in Items(), or -1 when no item can be chosen.
  int Highlight() const { return highlight_; }
  MenuItem* Highlighted() const;
  // One item up (-1) or down (1), round the end, past what cannot be chosen.
  void MoveHighlight(int step);

 private:
  std::vector<MenuItem*> items_;
  int highlight_ = -1;
};

// An item's caption as shown, made printable, its access key passed
// through `mark` ("&&" is a plain "&").
std::string MarkedCaption(const MenuItem& item, const std::function<std::string(const std::string&)>& mark);

// The answers of a message box with these MsgBoxStyle buttons.
struct MsgBoxChoices {
  explicit MsgBoxChoices(int32_t buttons);

  std::vector<std::pair<std::string, int32_t>> answers;  // command, result
  int32_t fallback = vbOK;   // at the end of input or a close signal
  size_t defaultAnswer = 0;  // Enter's, in answers
  // The commands between slashes: "yes/no".
  std::string Names() const;
};

}  // namespace terminal
