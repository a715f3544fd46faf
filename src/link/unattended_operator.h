#pragma once
// The link's operator while an unattended run is on. The link's worker shows
// what it has to say in a box and waits for it; with nobody at the stand
// that box would hold every write queued behind it, a whole night long.
// Outside such a run every call goes on to the shown operator unchanged;
// during one a message goes to the note sink (the window puts it in the
// stage field and the journal) and returns at once, and a question takes
// its negative answer, noted the same way. Never shows anything itself and
// never decides when a run is unattended.
#include <atomic>
#include <functional>
#include <mutex>
#include <string>

#include "link/operator.h"

namespace kvl {

class CUnattendedOperator : public COperator {
 public:
  using NoteSink = std::function<void(const std::string& text)>;

  explicit CUnattendedOperator(COperator* shown) : shown_(shown) {}

  // Any thread. The sink is called on the thread that had something to say.
  void SetUnattended(bool on) { unattended_.store(on); }
  bool Unattended() const { return unattended_.load(); }
  void SetNoteSink(NoteSink sink);

  void ShowMessage(const std::string& text, MessageIcon icon, const std::atomic<bool>* abandon = nullptr) override;
  int Ask(const std::string& text, MessageIcon icon, QuestionButtons buttons) override;
  int AskFromWorker(const std::string& text, MessageIcon icon, QuestionButtons buttons,
                    const std::atomic<bool>* abandon) override;

 private:
  void Note(const std::string& text);

  COperator* const shown_;
  std::atomic<bool> unattended_{false};
  std::mutex mutex_;
  NoteSink sink_;
};

}  // namespace kvl
