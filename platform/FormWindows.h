#pragma once
// Forms and their controls as a front end shows them: the windows of the
// form model (platform/Form.h), which Form::Load, Show, Refresh and Unload
// ask for, and the screen's scale.
class Form;

class FormWindows {
 public:
  virtual ~FormWindows() = default;

  // Makes the form's window (hidden) and hands it its handle and icon with
  // form.AttachWindow; runs before Form_Load.
  virtual void CreateFormWindow(Form& form) = 0;
  // Shows the form modelessly, without an owner; when it is shown already,
  // brings it to the front.
  virtual void ShowForm(Form& form) = 0;
  // A property that the window shows (caption, ShowInTaskbar, a control's
  // caption) has changed.
  virtual void UpdateFormWindow(Form& form) { (void)form; }
  // Destroys the form's window; runs after Form_Unload.
  virtual void DestroyFormWindow(Form& form) = 0;
  // The last form was unloaded: the program ends (the runtime leaves its
  // message loop; it need not return from here at once).
  virtual void LastFormUnloaded() = 0;

  // Twips in one screen pixel, at the system's DPI (15 at 96 DPI).
  virtual float TwipsPerPixelX() const = 0;
  virtual float TwipsPerPixelY() const = 0;
};
