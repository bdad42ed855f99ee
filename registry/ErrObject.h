#pragma once
// The error that the registry class raises: a number, where it came from and
// what went wrong. Callers catch it as one type and read the three parts.
#include <cstdint>
#include <exception>
#include <string>
#include <utility>

class ErrObject : public std::exception {
 public:
  ErrObject(int32_t number, std::string source, std::string description)
      : Number(number), Source(std::move(source)), Description(std::move(description)) {}

  const char* what() const noexcept override { return Description.c_str(); }

  int32_t Number;
  std::string Source;
  std::string Description;
};
