// Code page 932 to UTF-8 with iconv.
#include "platform/text.h"

#include <iconv.h>

namespace zanteq::platform {

bool cp932_to_utf8(std::string_view bytes, std::string& text) {
  iconv_t cd = ::iconv_open("UTF-8", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  std::string in(bytes), out(bytes.size() * 3 + 4, '\0');
  char* src = in.data();
  char* dst = out.data();
  std::size_t src_left = in.size(), dst_left = out.size();
  const std::size_t done = ::iconv(cd, &src, &src_left, &dst, &dst_left);
  ::iconv_close(cd);
  if (done == static_cast<std::size_t>(-1)) return false;
  out.resize(out.size() - dst_left);
  text = out;
  return true;
}

}  // namespace zanteq::platform
