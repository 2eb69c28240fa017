// Placeholder: replaced by the block reader.
#include "common/stop.h"
#include "common/units.h"

InputUnit::InputUnit(int number) : number_(number) {}
InputUnit::~InputUnit() = default;
void InputUnit::openOld(std::string_view fileName) { name_ = std::string(fileName); }
void InputUnit::openStandardInput() {}
void InputUnit::openMemory(std::string, std::string_view name) { name_ = std::string(name); }
void InputUnit::close() {}
bool InputUnit::nextRecord(std::string_view&) { return false; }
bool InputUnit::refill() { return false; }
std::string_view trimName(std::string_view field) {
  while (!field.empty() && field.back() == ' ') field.remove_suffix(1);
  return field;
}
