#include "platform/terminal/Choices.h"

#include <algorithm>

#include "platform/Printable.h"
#include "platform/Strings.h"

namespace terminal {

PopupMenu::PopupMenu(const MenuItem& menu) {
  for (MenuItem* item : menu.Items)
    if (item->Visible) items_.push_back(item);
  const auto first = std::find_if(items_.begin(), items_.end(), [](const MenuItem* item) { return Selectable(*item); });
  if (first != items_.end()) highlight_ = static_cast<int>(first - items_.begin());
}

MenuItem* PopupMenu::ByAccessKey(std::string_view key) const {
  if (key.size() != 1) return nullptr;
  for (MenuItem* item : items_) {
    const char accessKey = item->AccessKey();
    if (Selectable(*item) && accessKey != 0 && AsciiLower(accessKey) == AsciiLower(key[0])) return item;
  }
  return nullptr;
}

MenuItem* PopupMenu::Highlighted() const {
  return highlight_ < 0 ? nullptr : items_[static_cast<size_t>(highlight_)];
}

void PopupMenu::MoveHighlight(int step) {
  if (highlight_ < 0) return;
  const int count = static_cast<int>(items_.size());
  do {
    highlight_ = (highlight_ + step + count) % count;
  } while (!Selectable(*items_[static_cast<size_t>(highlight_)]));
}

std::string MarkedCaption(const MenuItem& item, const std::function<std::string(const std::string&)>& mark) {
  const std::string& caption = item.Caption;
  std::string text;
  bool marked = false;
  for (size_t i = 0; i < caption.size(); ++i) {
    char c = caption[i];
    if (c == '&' && i + 1 < caption.size()) {
      c = caption[++i];
      if (c != '&' && !marked) {
        marked = true;
        text += mark(Printable(std::string_view(&c, 1)));
        continue;
      }
    }
    text += Printable(std::string_view(&c, 1));
  }
  return text;
}

MsgBoxChoices::MsgBoxChoices(int32_t buttons) {
  switch (buttons & 7) {
    case 1: answers = {{"ok", vbOK}, {"cancel", vbCancel}}; fallback = vbCancel; break;
    case 2: answers = {{"abort", vbAbort}, {"retry", vbRetry}, {"ignore", vbIgnore}}; fallback = vbAbort; break;
    case 3: answers = {{"yes", vbYes}, {"no", vbNo}, {"cancel", vbCancel}}; fallback = vbCancel; break;
    case 4: answers = {{"yes", vbYes}, {"no", vbNo}}; fallback = vbNo; break;
    case 5: answers = {{"retry", vbRetry}, {"cancel", vbCancel}}; fallback = vbCancel; break;
    default: answers = {{"ok", vbOK}}; fallback = vbOK; break;
  }
  defaultAnswer = std::min<size_t>(static_cast<size_t>((buttons >> 8) & 3), answers.size() - 1);
}

std::string MsgBoxChoices::Names() const {
  std::string names;
  for (const auto& [name, result] : answers) names += (names.empty() ? "" : "/") + name;
  return names;
}

}  // namespace terminal
