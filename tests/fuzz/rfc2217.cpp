// Fuzz target: the RFC 2217 codec, the client's decoder that a network
// port reads a serial device server through, and the simulator's server
// side, fed bytes split anywhere.
//
// Input: a flags byte (bit 0 the server side, else the client; bit 1 the
// client's opening negotiation first; bit 2 built input, below), a count
// byte (low four bits: N) and N cut sizes, then the bytes.
//
// Raw input goes to the codec whole and, to a second codec, in pieces of the
// sizes in turn (0 counts as 1). Built input is read as operations (data,
// a negotiation, a sub-negotiation, a Telnet command), put on the wire as a
// peer would, after the peer's agreement to binary transmission.
//
// Checked besides the sanitizers:
//  - the same bytes give the same data, answers and events however they
//    are cut;
//  - the data never holds a byte 0xFF that was not doubled on the wire
//    (each 0xFF of the data costs two of the input);
//  - the output is bounded by what was fed: data no longer than the input,
//    answers at most 14 bytes and events at most one per byte fed;
//  - built input gives back exactly the data that was put on the wire;
//  - the server's answers to the input, given to a client, and the
//    client's back to the server, come to rest within a few rounds
//    (negotiation never loops).
#include <string>
#include <vector>

#include "core/link/rfc2217.h"
#include "tests/fuzz/fuzz_support.h"

namespace zanteq::fuzz {
namespace {

using namespace telnet;

// Answers per byte fed: the most is the client's line settings (38 bytes)
// and its WILL (3) for an unasked DO COM-PORT-OPTION of 3 bytes.
constexpr std::size_t send_per_byte = 14;

struct Fed {
  std::string data, send;
  std::vector<std::string> events;  // described, with their fields
  std::size_t bytes = 0;
};

std::string event_text(const Rfc2217Event& e) {
  return describe(e) + "|" + std::to_string(static_cast<int>(e.kind)) + "," + std::to_string(e.command) + "," +
         std::to_string(e.value) + "," + std::to_string(e.asked_known) + "," + std::to_string(e.asked) + "," +
         std::to_string(e.verb) + "," + std::to_string(e.option) + "," + e.text;
}

// Either side behind one interface.
class Side {
 public:
  explicit Side(bool server) : server_(server) {}
  std::string start() { return server_ ? std::string() : client_.start(); }
  Rfc2217Output feed(std::string_view bytes) { return server_ ? server_codec_.feed(bytes) : client_.feed(bytes); }

 private:
  bool server_;
  Rfc2217Client client_;
  Rfc2217Server server_codec_;
};

void feed(Side& side, std::string_view bytes, Fed& fed) {
  const Rfc2217Output out = side.feed(bytes);
  fed.bytes += bytes.size();
  fed.data += out.data;
  fed.send += out.send;
  for (const Rfc2217Event& e : out.events) fed.events.push_back(event_text(e));
  FUZZ_CHECK(fed.data.size() <= fed.bytes, "more data out than bytes in");
  FUZZ_CHECK(fed.send.size() <= send_per_byte * fed.bytes, "more answers than the bytes fed call for");
  FUZZ_CHECK(fed.events.size() <= fed.bytes, "more events than bytes fed");
}

std::size_t count_iac(std::string_view bytes) {
  std::size_t n = 0;
  for (char c : bytes) n += static_cast<unsigned char>(c) == iac;
  return n;
}

// Built input: what a peer puts on the wire, and the data it meant.
struct Built {
  std::string wire;
  std::string data;
};

Built build(Input& input) {
  Built b;
  b.wire = std::string{static_cast<char>(iac), static_cast<char>(will), static_cast<char>(option_binary)};
  while (!input.rest().empty()) {
    const unsigned op = input.byte();
    switch (op % 4) {
      case 0: {
        const std::string_view data = input.take(input.byte() % 32);
        b.data += data;
        b.wire += telnet_escape(data);
        break;
      }
      case 1: {
        unsigned char option = static_cast<unsigned char>(input.byte());
        const unsigned char verb = static_cast<unsigned char>(will + op / 4 % 4);
        // Binary transmission stays on, so a CR NUL stays two data bytes.
        if (verb == wont && option == option_binary) option = option_echo;
        b.wire += {static_cast<char>(iac), static_cast<char>(verb), static_cast<char>(option)};
        break;
      }
      case 2: {
        b.wire += {static_cast<char>(iac), static_cast<char>(sb), static_cast<char>(input.byte())};
        b.wire += telnet_escape(input.take(input.byte() % 16));
        b.wire += {static_cast<char>(iac), static_cast<char>(se)};
        break;
      }
      default: {
        // NOP, data mark, break, ... and an SE out of place: nothing for the line.
        const unsigned char command = static_cast<unsigned char>(se + op / 4 % 10);
        b.wire += {static_cast<char>(iac), static_cast<char>(command)};
        break;
      }
    }
  }
  return b;
}

// The server's answers to a client and back, until neither has more to say.
void check_conversation(const std::string& server_answers) {
  Rfc2217Client client;
  Rfc2217Server server;
  std::string to_server = client.start();
  std::string to_client = server_answers;
  for (int round = 0; round < 16 && !(to_server.empty() && to_client.empty()); ++round) {
    const Rfc2217Output c = client.feed(to_client);
    to_server += c.send;
    const Rfc2217Output s = server.feed(to_server);
    to_server.clear();
    to_client = s.send;
  }
  FUZZ_CHECK(to_server.empty() && to_client.empty(), "the negotiation does not come to rest");
}

}  // namespace
}  // namespace zanteq::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zanteq;
  using namespace zanteq::fuzz;
  Input input(data, size);
  const unsigned flags = input.byte();
  std::vector<std::size_t> cuts;
  for (unsigned n = input.byte() & 0x0F; n > 0; --n) cuts.push_back(input.byte());
  const bool server = flags & 1;

  std::string bytes;
  std::string meant;
  const bool built = flags & 4;
  if (built) {
    const Built b = build(input);
    bytes = b.wire;
    meant = b.data;
  } else {
    bytes = std::string(input.rest());
  }

  Side whole(server), pieces(server);
  std::string opening;
  if (flags & 2) {
    opening = whole.start();
    FUZZ_CHECK(pieces.start() == opening, "two clients open differently");
  }
  Fed at_once, in_pieces;
  feed(whole, bytes, at_once);
  std::size_t at = 0;
  for (std::size_t turn = 0; at < bytes.size(); ++turn) {
    const std::size_t n = cuts.empty() ? 1 : std::max<std::size_t>(1, cuts[turn % cuts.size()]);
    const std::size_t length = std::min(n, bytes.size() - at);
    feed(pieces, std::string_view(bytes).substr(at, length), in_pieces);
    at += length;
  }

  FUZZ_CHECK(in_pieces.data == at_once.data, "the data depends on where the bytes are cut");
  FUZZ_CHECK(in_pieces.send == at_once.send, "the answers depend on where the bytes are cut");
  FUZZ_CHECK(in_pieces.events == at_once.events, "the events depend on where the bytes are cut");
  FUZZ_CHECK(2 * count_iac(at_once.data) <= count_iac(bytes), "a 0xFF in the data that was not doubled");
  if (built) FUZZ_CHECK(at_once.data == meant, "the data is not what was put on the wire");
  if (server) check_conversation(at_once.send);
  return 0;
}
