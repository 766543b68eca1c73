#pragma once
// "Print Progress": a small modal window with a printer animation and a
// Stop button, inside whose modal loop a print run executes.
#include <windows.h>

#include <functional>

#include "winkit/form.h"
#include "winkit/handles.h"

class TProgform : public winkit::TForm {
 public:
  // The run, called with the window as its sender.
  using RunCallback = std::function<void(TProgform& sender)>;
  // The window's own message that starts the run inside the modal loop.
  static constexpr UINT kRunMessage = WM_USER + 3;
  enum : int { kAnimate1 = 101, kButton1 = IDCANCEL };

  // Creates the window (hidden) over `owner`; Handle() is null on failure.
  explicit TProgform(HWND owner);
  ~TProgform() override;

  void SetRunCallback(RunCallback callback) { run_ = std::move(callback); }
  // With a callback set, posts the run message to itself; then shows the
  // window modally and returns when the modal loop ends.
  int Run();
  // Ends the modal loop (the run calls this when it is done).
  void Close();
  // "&Stop": asks the run to stop after the current file.
  void Button1Click();

  HWND Animate1() const noexcept { return animate_; }
  // The animation was opened and started.
  bool AnimationPlaying() const noexcept { return playing_; }

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  void FormCreate();
  void FormClose();

  HWND owner_;
  HWND animate_ = nullptr, button_ = nullptr;
  winkit::GdiObject font_;
  RunCallback run_;
  bool playing_ = false;
};
