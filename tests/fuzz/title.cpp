// Fuzz target: the title conversion both ways, Shift_JIS text typed into
// the title dialog (or loaded from a file) to the unit's JIS codes, and a
// unit's title reply back into the record.
//
// Input: a flags byte (bits 0-1 the channel, bit 2 the "don't memory" form),
// then bytes read both as JIS codes and as the title's text.
//
// Checked besides the sanitizers:
//  - every JIS X 0208 code (rows and cells 0x21..0x7E) converts to Shift_JIS
//    and back to itself, and goes to the unit as itself; any other code
//    converts to nothing;
//  - every Shift_JIS pair that converts to JIS converts back to itself;
//  - a title that goes to the unit, answered back by the unit, lands in the
//    record as a title that goes to the unit as the very same line (the IBM
//    extension pairs turned into their NEC-selected twins, the full-width
//    spaces at its end dropped and added again).
#include <memory>
#include <string>

#include "core/dialogs/title.h"
#include "core/link/dispatch.h"
#include "core/settings/jis.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

bool in_jis_rows(unsigned code) {
  const unsigned row = code >> 8, cell = code & 0xFF;
  return row >= 0x21 && row <= 0x7E && cell >= 0x21 && cell <= 0x7E;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zanteq;
  zanteq::fuzz::Input input(data, size);
  const unsigned flags = input.byte();
  const std::string_view text = input.rest();

  for (std::size_t k = 0; k + 1 < text.size(); k += 2) {
    const unsigned first = static_cast<unsigned char>(text[k]), second = static_cast<unsigned char>(text[k + 1]);
    const unsigned pair = first << 8 | second;
    const unsigned sjis = jis_to_sjis(static_cast<std::uint16_t>(pair));
    if (in_jis_rows(pair)) {
      FUZZ_CHECK(sjis != 0 && static_cast<unsigned>(sjis_to_jis(static_cast<int>(sjis))) == pair,
                 "JIS to Shift_JIS to JIS does not give the JIS code back");
      FUZZ_CHECK(static_cast<unsigned>(title_wire_code(static_cast<unsigned char>(sjis >> 8),
                                                       static_cast<unsigned char>(sjis & 0xFF))) == pair,
                 "a Shift_JIS character does not go to the unit as its JIS code");
    } else {
      FUZZ_CHECK(sjis == 0, "a code outside the JIS rows converts");
    }
    const int jis = sjis_to_jis(static_cast<int>(pair));
    if (jis != 0) FUZZ_CHECK(jis_to_sjis(static_cast<std::uint16_t>(jis)) == pair, "Shift_JIS to JIS to Shift_JIS differs");
  }

  // The title as the dialog stores it, then on the wire and back.
  auto app = std::make_unique<AppState>();
  reset_settings(*app);
  const int channel = static_cast<int>(flags & 3);
  app->ui.current_channel = channel;
  store_title(*app, text);
  const std::string stored = app->record.title[channel].str();
  FUZZ_CHECK(stored.size() <= title_slot - 1, "a stored title overruns its slot");
  const auto prepared = prepare_title_text(stored);
  if (!prepared) return 0;
  const auto line = build_title(channel, flags & 4, *prepared);
  if (!line) return 0;
  // Pairs led by a control byte go out shifted, as they always have, and
  // come back as no character: only real text makes the round trip.
  for (std::size_t k = 0; k < prepared->size(); k += 2)
    if (static_cast<unsigned char>((*prepared)[k]) <= 0x13) return 0;

  const std::size_t hex_at = flags & 4 ? 5 : 4;  // after "CJN01" or "CJ01"
  const std::string codes = line->substr(hex_at, 40);
  char reply[] = "CJ01";
  reply[3] = static_cast<char>('1' + channel);
  KeptMessage reporter;
  dispatch_reply(app->link, app->record, reporter, std::string(reply) + codes + "\r\n");
  const std::string back = app->record.title[channel].str();
  FUZZ_CHECK(back.size() <= title_bytes, "a title reply holds more than 20 bytes");
  const auto again = prepare_title_text(back);
  FUZZ_CHECK(again, "a title the unit reported cannot go back");
  const auto line_again = build_title(channel, flags & 4, *again);
  FUZZ_CHECK(line_again && *line_again == *line, "a title sent and reported back goes out otherwise");
  return 0;
}
