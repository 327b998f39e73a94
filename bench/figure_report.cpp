#include "figure_report.h"

#include <cstdio>
#include <fstream>
#include <iostream>

void FigureReport::Add(const Figure& figure) {
  if (!figure.met) ++misses_;
  const std::string row = "| " + figure.number + " | " + figure.what + " | " + figure.measured +
                          " | " + figure.reference + " | " + FormatNumber(figure.ratio, 3) + " | " +
                          figure.target + " | " + (figure.met ? "yes" : "**no**") + " |";
  std::cout << row << std::endl;
  if (!path_.empty()) std::ofstream(path_, std::ios::app) << row << '\n';
}

std::string FormatNumber(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

std::string FormatMicroseconds(double microseconds) {
  if (microseconds >= 10'000) return FormatNumber(microseconds / 1000, 2) + " ms";
  if (microseconds >= 1000) return FormatNumber(microseconds / 1000, 3) + " ms";
  return FormatNumber(microseconds, 1) + " us";
}

std::string ArgumentValue(int argc, char** argv, const std::string& name, const std::string& fallback) {
  const std::string prefix = "--" + name + "=";
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument.rfind(prefix, 0) == 0) return argument.substr(prefix.size());
  }
  return fallback;
}
