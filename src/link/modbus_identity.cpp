// The identity check of a write list: before the first write of a list to a
// detector its serial number is read, and a list that carries a file's
// content goes only into the detector the file is for. Shared by the window
// (queued writes, on the worker) and kvlctl (direct writes, on its thread).
#include "link/modbus_slave.h"
#include "text/format.h"
#include "text/link_texts.h"

namespace kvl {
namespace {

std::string SerialText(const std::optional<std::uint32_t>& serial) {
  return serial ? Format("%u", unsigned(*serial)) : std::string("?");
}

}  // namespace

std::optional<std::uint32_t> CModbusSlave::ReadSerial(std::uint8_t slave, const SerialRead& read) {
  const RegisterRead registers = [this, slave](std::uint16_t first, std::uint8_t count,
                                               std::uint16_t* words) {
    return ReadRegisters(slave, readFunction_, first, count, words);
  };
  // A detector that misses one read gets a second chance, as a polled one does.
  for (int attempt = 0; attempt < 2 && !AbortRequested(); ++attempt)
    if (const std::optional<std::uint32_t> serial = read(registers)) return serial;
  return std::nullopt;
}

std::string CModbusSlave::IdentityRefusal(std::uint8_t slave, const WriteIdentity& id,
                                          const std::optional<std::uint32_t>& found) {
  const LanguageIndex l = language_.load();
  const char* file = id.file.c_str();
  if (!found) {
    return id.expected
               ? Format(txt::kIdentityNoAnswer(l), file, SerialText(id.expected).c_str(), unsigned(slave))
               : Format(txt::kIdentityNoAnswerAt(l), file, unsigned(slave));
  }
  if (id.expected) {
    if (*found == *id.expected) return {};
    std::string text = Format(txt::kIdentityDiffers(l), file, SerialText(id.expected).c_str(),
                              unsigned(slave), SerialText(found).c_str());
    // The file's detector may answer elsewhere on the line: the operator learns where.
    for (std::uint8_t other : id.polled) {
      if (other == slave || AbortRequested()) continue;
      if (ReadSerial(other, id.read) == id.expected) {
        text += Format(txt::kIdentityElsewhere(l), SerialText(id.expected).c_str(), unsigned(other));
        break;
      }
    }
    return text;
  }
  if (!id.confirm) return {};
  const std::string ask = Format(txt::kIdentityAsk(l), file, unsigned(slave), SerialText(found).c_str());
  if (operator_ &&
      operator_->AskFromWorker(ask, MessageIcon::Question, QuestionButtons::YesNo, &stopping_) == kAnswerYes)
    return {};
  return Format(txt::kIdentityNotConfirmed(l), file, SerialText(found).c_str(), unsigned(slave));
}

bool CModbusSlave::IdentityAllows(std::uint8_t slave) {
  ListPtr list;
  {
    std::lock_guard lock(mutex_);
    list = executing_ ? executing_ : openList_;
    if (!list || !list->origin.identity.read) return true;
    // Nobody answers a broadcast: there is no serial number to read at 0.
    if (slave == 0 && !list->origin.identity.Checks()) return true;
    const WriteListState::Group& g = list->GroupOf(slave);
    if (g.identity != WriteListState::Group::Identity::Unread)
      return g.identity == WriteListState::Group::Identity::Passed;
  }
  // The origin does not change once its list began: read without the lock.
  const WriteIdentity& id = list->origin.identity;
  const std::optional<std::uint32_t> found = ReadSerial(slave, id.read);
  const std::string refusal = id.Checks() ? IdentityRefusal(slave, id, found) : std::string();
  std::lock_guard lock(mutex_);
  WriteListState::Group& g = list->GroupOf(slave);
  g.serialRead = found ? Format("%u", unsigned(*found)) : std::string();
  g.refusal = refusal;
  g.identity =
      refusal.empty() ? WriteListState::Group::Identity::Passed : WriteListState::Group::Identity::Refused;
  return refusal.empty();
}

int CModbusSlave::SkipRefusedWrite(std::uint8_t slave) {
  Fail(WriteFailure::kRefused);
  const bool batchDone = DecrementBatch();
  std::string refusal;
  {
    std::lock_guard lock(mutex_);
    ListPtr list = executing_ ? executing_ : openList_;
    if (list) {
      WriteListState::Group& g = list->GroupOf(slave);
      if (!g.refusalShown) refusal = g.refusal;
      g.refusalShown = true;
    }
  }
  if (!refusal.empty()) {
    // Outside a batch nobody would collect the line: the operator sees it at once.
    if (BatchLeft() >= 0)
      Report(refusal, batchDone);
    else
      Show(refusal, MessageIcon::Warning);
  } else if (batchDone) {
    Show(BatchText());
  }
  return 1;
}

}  // namespace kvl
