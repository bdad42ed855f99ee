#include "platform/terminal/TerminalRuntime.h"

#include <signal.h>

#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Printable.h"
#include "platform/Strings.h"
#include "platform/TrayIconRecord.h"
#include "platform/emu/DriveView.h"
#include "platform/emu/Launcher.h"
#include "platform/terminal/CloseSignals.h"
#include "platform/terminal/KeyPresenter.h"
#include "platform/terminal/LinePresenter.h"
#include "platform/terminal/TerminalText.h"

using terminal::Command;
using terminal::IconChange;

namespace {

std::unique_ptr<terminal::Presenter> PresenterFor(bool terminal, const terminal::TrayStatus& status,
                                                  std::FILE* out, std::FILE* err, const std::string& prefix) {
  if (terminal) return std::make_unique<terminal::KeyPresenter>(status, out, err, prefix);
  return std::make_unique<terminal::LinePresenter>(status, out, err, prefix);
}

}  // namespace

TerminalRuntime::TerminalRuntime(ProgramTexts texts, int inputFd, std::FILE* out, std::FILE* err)
    : WindowRuntime(*this, *this, *this, *this, std::move(texts)),
      input_(inputFd),
      presenter_(PresenterFor(input_.IsTerminal(), status_, out, err, Texts().ComplaintPrefix)) {}

TerminalRuntime::~TerminalRuntime() {
  presenter_->Finish();
  terminal::ReleaseCloseSignals();
}

int TerminalRuntime::Run(Form& startupForm, MenuItem& aboutCommand) {
  startup_ = &startupForm;
  aboutCommand_ = &aboutCommand;
  terminal::CatchCloseSignals();

  RunEventHandler([&] { startupForm.Load(); });
  if (LoadedForms().empty()) status_.ended = true;
  while (!status_.ended) {
    Event event;
    if (!deferred_.empty()) {
      event = deferred_.front();
      deferred_.pop_front();
    } else {
      event = input_.Next();
    }
    RunTopLevel(event);
    emu::ReapLaunched();
  }
  presenter_->Finish();
  return 0;
}

// ---- What the program does at the top level -------------------------------------------

void TerminalRuntime::RunTopLevel(const Event& event) {
  switch (event.kind) {
    case Event::Signal:
      HandleSignal(event.signal);
      break;
    case Event::End:
      // Nobody is left to answer or to close anything: everything closes.
      UnloadAll(vbFormControlMenu);
      status_.ended = true;
      break;
    case Event::Input:
      Execute(presenter_->Interpret(event.text, Now()));
      break;
  }
}

void TerminalRuntime::Execute(const Command& command) {
  switch (command.kind) {
    case Command::None:
      return;
    case Command::MouseCode:
      return SendMouseCode(command.number);
    case Command::CloseTray: {
      Form& tray = *startup_;
      return RunEventHandler([&] { tray.Unload(vbFormControlMenu); });
    }
    case Command::EndSession:
      return EndSession();
    case Command::About:
      return startup_->RaiseClick(*aboutCommand_);
    case Command::Link:
      return ClickLink(static_cast<int>(command.number));
    case Command::DialogOk:
      return ClickDialogButton(false);
    case Command::DialogCancel:
      return ClickDialogButton(true);
  }
}

void TerminalRuntime::HandleSignal(int signal) {
  if (signal == SIGHUP) {
    EndSession();
  } else if (signal == SIGTERM) {
    UnloadAll(vbAppTaskManager);
  } else if (signal == SIGINT) {
    UnloadAll(vbFormControlMenu);
  }
}

void TerminalRuntime::SendMouseCode(long code) {
  // The shell puts the code where the horizontal position goes, in pixels.
  startup_->RaiseMouseMove(0, 0, static_cast<float>(code), 0.0f);
}

void TerminalRuntime::UnloadAll(int16_t mode) {
  const std::vector<Form*> forms = LoadedForms();
  for (Form* form : forms) {
    if (form->IsLoaded()) RunEventHandler([&] { form->Unload(mode); });
  }
}

void TerminalRuntime::EndSession() {
  // Every form is asked first; only when none refuses do they all unload.
  const std::vector<Form*> forms = LoadedForms();
  for (Form* form : forms) {
    bool agreed = false;
    RunEventHandler([&] { agreed = form->QueryUnload(vbAppWindows); });
    if (!agreed) {
      presenter_->Print("session end: refused");
      return;
    }
  }
  for (Form* form : forms) {
    if (form->IsLoaded()) RunEventHandler([&] { form->CompleteUnload(); });
  }
}

terminal::Situation TerminalRuntime::Now() const {
  return {startup_ != nullptr && startup_->IsLoaded(), Dialog() != nullptr};
}

Form* TerminalRuntime::Dialog() const {
  for (Form* form : LoadedForms())
    if (form != startup_ && form->Visible()) return form;
  return nullptr;
}

void TerminalRuntime::ClickLink(int number) {
  Form* dialog = Dialog();
  int seen = 0;
  for (Control* control : dialog->Controls) {
    if (control->Kind == ControlKind::LinkLabel && ++seen == number) return dialog->RaiseClick(*control);
  }
  presenter_->Complain("the dialog has no link " + std::to_string(number));
}

void TerminalRuntime::ClickDialogButton(bool cancel) {
  Form* dialog = Dialog();
  Control* chosen = nullptr;
  for (Control* control : dialog->Controls) {
    if (control->Kind != ControlKind::CommandButton) continue;
    if (cancel ? control->Cancel : control->Default) chosen = control;
  }
  if (chosen != nullptr) dialog->RaiseClick(*chosen);
}

// ---- Forms ---------------------------------------------------------------------------

void TerminalRuntime::CreateFormWindow(Form& form) {
  const uintptr_t window = nextHandle_;
  nextHandle_ += 0x10;
  form.AttachWindow(reinterpret_cast<HWND>(window), reinterpret_cast<HICON>(window + 4));
}

void TerminalRuntime::ShowForm(Form& form) {
  if (&form == startup_) return;  // the tray form is never shown
  if (!shown_.insert(&form).second) return presenter_->Print(terminal::LinePrefix(form) + "to the front");
  presenter_->ShowDialog(form);
}

void TerminalRuntime::DestroyFormWindow(Form& form) {
  if (shown_.erase(&form) != 0) presenter_->Print(terminal::LinePrefix(form) + "closed");
}

// ---- Popup menu and message box -------------------------------------------------------

MenuItem* TerminalRuntime::ShowPopupMenu(Form&, MenuItem& menu, int32_t) {
  terminal::PopupMenu popup(menu);
  presenter_->OpenMenu(popup);
  terminal::MenuStep step;
  while (!step.closes) {
    const Event event = input_.Next();
    if (event.kind == Event::End) break;
    if (event.kind == Event::Signal) {
      deferred_.push_back(event);  // the menu closes; the signal is handled after it
      break;
    }
    step = presenter_->MenuInput(popup, event.text);
    if (step.runsAfter) deferred_.push_back(event);
  }
  presenter_->CloseMenu(popup, step.chosen);
  return step.chosen;
}

int32_t TerminalRuntime::MsgBox(const std::string& Prompt, int32_t Buttons, const std::string& Title) {
  const terminal::MsgBoxChoices choices(Buttons);
  presenter_->OpenMsgBox(Prompt, Title, choices);
  std::optional<int32_t> answer;
  while (!answer) {
    const Event event = input_.Next();
    if (event.kind == Event::End) {
      answer = choices.fallback;
    } else if (event.kind == Event::Signal) {
      deferred_.push_back(event);
      if (event.signal != SIGHUP) answer = choices.fallback;  // closing: nothing is chosen
    } else {
      const terminal::MsgBoxStep step = presenter_->MsgBoxInput(choices, event.text);
      if (step.runsAfter) deferred_.push_back(event);
      answer = step.answer;
    }
  }
  presenter_->CloseMsgBox();
  return *answer;
}

// ---- Process, files, shell ------------------------------------------------------------

bool TerminalRuntime::Launch(const std::string& ProgramPath, const std::string& CommandLine) {
  const DWORD error = emu::Launch(ProgramPath, CommandLine);
  presenter_->Print((error == 0 ? "launch: " : "launch failed: ") + Printable(CommandLine));
  return error == 0;
}

bool TerminalRuntime::FileExists(const std::string& Path) { return emu::NormalFileExists(Path); }

std::string TerminalRuntime::AppPath() { return emu::ProgramFolder(); }

BOOL TerminalRuntime::Shell_NotifyIconA(DWORD dwMessage, PNOTIFYICONDATAA lpData) {
  if (lpData == nullptr) return FALSE;
  // The status line leaves off the blanks that fill the tip: a shell shows them as nothing.
  const std::string tip(TrimSpacesRight(ShellRecord(*lpData).Tip()));
  switch (dwMessage) {
    case NIM_ADD:
      status_.iconShown = true;
      status_.tip = tip;
      presenter_->IconChanged(IconChange::Added);
      return TRUE;
    case NIM_MODIFY:
      if (!status_.iconShown) return FALSE;
      if (tip != status_.tip) {
        status_.tip = tip;
        presenter_->IconChanged(IconChange::TipChanged);
      }
      return TRUE;
    case NIM_DELETE:
      if (!status_.iconShown) return FALSE;
      status_.iconShown = false;
      presenter_->IconChanged(IconChange::Removed);
      return TRUE;
    default:
      return FALSE;
  }
}

HINSTANCE TerminalRuntime::ShellExecuteA(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile,
                                         LPCSTR lpParameters, LPCSTR lpDirectory, INT nShowCmd) {
  (void)hwnd;
  (void)lpParameters;
  (void)lpDirectory;
  (void)nShowCmd;
  const std::string file = lpFile != nullptr ? lpFile : "";
  presenter_->Print("open: " + Printable(file));
  return reinterpret_cast<HINSTANCE>(emu::OpenWithDesktop(lpOperation != nullptr ? lpOperation : "", file));
}

UINT TerminalRuntime::GetWindowsDirectoryA(LPSTR lpBuffer, UINT uSize) {
  return CopyOutText(emu::WindowsDirectory(), lpBuffer, uSize);
}

void TerminalRuntime::ShowMousePointer(int16_t shape) {
  status_.busy = shape == vbHourglass;
  presenter_->PointerChanged();
}
