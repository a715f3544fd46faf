#pragma once
// Holds the calling thread in the C locale for its lifetime, so that printf
// and strtod use "." whatever locale the window or the environment set for
// the process. Only the calling thread is switched; the previous locale comes
// back at the end of the scope.
#include <string>

namespace kvl::platform {

class CCLocaleScope {
 public:
  CCLocaleScope();
  ~CCLocaleScope();
  CCLocaleScope(const CCLocaleScope&) = delete;
  CCLocaleScope& operator=(const CCLocaleScope&) = delete;

 private:
  void* previous_ = nullptr;    // the thread's locale object, where the system has one
  std::string previousNumeric_;  // else the numeric locale's name, "" when it was "C"
  int previousMode_ = 0;
};

}  // namespace kvl::platform
