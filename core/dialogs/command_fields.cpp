// Field writers shared by every command builder.
#include "core/dialogs/command_fields.h"

#include "core/link/codec.h"

namespace zanteq {

// at() rather than [] so that a position outside a template is caught as a
// fault instead of writing past the line.
void put_on_off(std::string& line, std::size_t pos, int value) {
  if (value != 0) line.at(pos + 1) = 'N';
}

void put_dec2(std::string& line, std::size_t pos, int value) {
  char digits[2];
  format_dec2(value, digits);
  line.at(pos) = digits[0];
  line.at(pos + 1) = digits[1];
}

void put_dec3(std::string& line, std::size_t pos, int value) {
  char digits[3];
  format_dec3(value, digits);
  line.at(pos) = digits[0];
  line.at(pos + 1) = digits[1];
  line.at(pos + 2) = digits[2];
}

void put_index_digit(std::string& line, std::size_t pos, int index, int count) {
  if (index < 0 || index >= count) index = 0;
  line.at(pos) = static_cast<char>('1' + index);
}

}  // namespace zanteq
