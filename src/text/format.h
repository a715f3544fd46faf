#pragma once
// printf-style formatting that ignores the process locale: numbers always use
// "." as the decimal point, so files and frames read the same whether the
// window runs in en_US or ru_RU.
#include <cstdarg>
#include <ctime>
#include <string>

namespace kvl {

std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string FormatV(const char* fmt, std::va_list args);

// "dd.mm.yyyy hh:mm:ss" of a broken-down local time, as the logs, the run's
// state and the reports write it.
std::string DateTimeText(const std::tm& t);

// Parses a decimal number with "." as the decimal point, whatever the locale.
// Returns false (and leaves *out alone) when text holds no number at its start.
bool ParseDouble(const std::string& text, double* out, std::size_t* used = nullptr);

}  // namespace kvl
