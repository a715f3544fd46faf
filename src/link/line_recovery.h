#pragma once
// The rule for a line whose device went away (a USB adapter unplugged, a
// pty's far side closed): the line is closed at once, so that the device can
// come back under the same name, and is looked for twice a second by its
// path (the one the operator chose: a /dev/serial/by-id link or a device
// node); when it is there again it is opened, and polling goes on. What the
// operator sees meanwhile is a note naming the device.
//
// It owns only the rule: when to look and when to try opening. It never
// touches the line, stats a path or sleeps; the link's worker does that and
// tells it what happened, with the monotonic time in ms.
#include <cstdint>
#include <string>

#include "text/language.h"

namespace kvl {

enum class LineWatch {
  Off,      // not asked for, or the operator closed the line
  Open,     // the line is open; a loss will be waited out
  Waiting,  // the device is gone; looked for every kCheckIntervalMs
};

class CLineRecovery {
 public:
  // Looks at the device path this often while it is gone: a stat() each
  // time, so never a busy loop, and an adapter plugged back in is polled
  // again within about half a second.
  static constexpr int kCheckIntervalMs = 500;

  // The operator's or tool's wish; off also ends a wait.
  void SetEnabled(bool on);
  bool Enabled() const { return enabled_; }

  // The line was opened (by a command or by a reopen after a loss).
  void Opened();
  // The line was closed or another device chosen on purpose: nothing is awaited.
  void Closed();
  // A transaction found the device gone. True when the worker is to close the
  // line and wait for the device: the rule is on and the line was open. The
  // first look comes one interval later, once the system has removed the
  // node of the device that went away.
  bool Lost(std::int64_t nowMs);
  // While waiting: true when a look is due; the worker then looks (stat).
  bool LookDue(std::int64_t nowMs) const;
  // Ms until the next look is due (0 when due, or not waiting).
  int MsUntilLook(std::int64_t nowMs) const;
  // The look's result. True when the worker is to open the line now; false
  // schedules the next look an interval later.
  bool Looked(std::int64_t nowMs, bool present);
  // The device was there but would not open or configure yet (its node can
  // appear before its permissions are set): looked for again an interval later.
  void ReopenFailed(std::int64_t nowMs);

  LineWatch State() const { return state_; }

 private:
  bool enabled_ = false;
  LineWatch state_ = LineWatch::Off;
  std::int64_t nextLookMs_ = 0;
};

// The line-state note the operator sees: "Waiting for /dev/ttyUSB0 to come
// back" while waiting, "" otherwise.
std::string LineWatchNote(LineWatch state, const std::string& device, LanguageIndex lang);

}  // namespace kvl
