#include "sim/sim_relay_module.h"

namespace kvl {
namespace {

std::uint16_t WordAt(const Bytes& b, std::size_t i) { return std::uint16_t((b[i] << 8) | b[i + 1]); }

}  // namespace

CSimRelayModule::CSimRelayModule(const ValveProfile& profile, CSimBus& bus) : profile_(profile), bus_(bus) {
  bus_.SetSideSlave([this](const Bytes& request) { return Answer(request); });
}

CSimRelayModule::~CSimRelayModule() { bus_.SetSideSlave({}); }

bool* CSimRelayModule::Output(int number) {
  if (number == profile_.zeroCoil) return &on_[0];
  if (number == profile_.middleCoil) return &on_[1];
  if (number == profile_.highCoil) return &on_[2];
  return nullptr;
}

int CSimRelayModule::Mixture() const {
  std::lock_guard lock(mutex_);
  const int count = on_[0] + on_[1] + on_[2];
  if (count != 1) return -1;
  return on_[0] ? 0 : on_[1] ? 1 : 2;
}

std::optional<Bytes> CSimRelayModule::Answer(const Bytes& request) {
  if (request.size() < 8 || request[0] != profile_.address) return std::nullopt;
  const std::uint8_t slave = request[0], fn = request[1];
  const std::uint16_t number = WordAt(request, 2), value = WordAt(request, 4);
  const bool coil = fn == 1 || fn == 5;
  if (coil != profile_.coils || (fn != 1 && fn != 3 && fn != 5 && fn != 6)) return BuildException(slave, fn, 1);
  std::unique_lock lock(mutex_);
  bool* out = Output(number);
  if (!out) return BuildException(slave, fn, 2);
  if (fn == 1) {
    Bytes answer = {slave, fn, 1, std::uint8_t(*out ? 1 : 0)};
    AppendCrc(answer);
    return answer;
  }
  if (fn == 3) return BuildResponse(slave, fn, {std::uint16_t(*out ? 1 : 0)});
  if (fn == 5 && value != 0 && value != 0xFF00) return BuildException(slave, fn, 3);
  *out = value != 0;
  lock.unlock();
  const int mixture = Mixture();
  // Clean air when nothing (or, against the rules, more than one gas) flows.
  if (mixture < 0)
    bus_.SetGasVolume(0, 0);
  else
    bus_.FeedGraduationGas(0, mixture);
  return request;
}

}  // namespace kvl
