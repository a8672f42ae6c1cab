// RFC 2217 (Telnet with COM-PORT-OPTION) as a codec without I/O, for a
// unit behind a serial device server: both sides of the connection.
//
// How a transport drives it. The codec never touches a socket, a clock or
// a thread; it is fed the bytes that came and answers with what to do:
//
//   Rfc2217Client codec;
//   send(codec.start());                      // once, right after connecting
//   on every read:  Rfc2217Output out = codec.feed(bytes);
//                   send(out.send);           // negotiation answers, first
//                   assembler.feed(out.data); // the unit's bytes, for line assembly
//                   log each of out.events (describe() gives the text)
//   on every command:  send(telnet_escape(line));
//
// The Windows connection thread (or a non-blocking socket serviced by the
// window) and zanteqctl's blocking loop do exactly this. feed() belongs to
// the one thread that reads; telnet_escape() is a pure function that any
// thread may call. Each send must go out whole before the next begins (one
// lock or one writing thread), so that an answer never lands inside a
// command; the order between answers and commands does not matter.
//
// What the client does. start() offers and asks binary transmission both
// ways, suppress-go-ahead both ways and WILL COM-PORT-OPTION. When the
// server agrees to COM-PORT-OPTION (DO), the client sends SET-BAUDRATE 9600,
// SET-DATASIZE 8, SET-PARITY even, SET-STOPSIZE 1 and SET-CONTROL no flow
// control (sub-negotiations may only follow the agreement); the server's
// confirmations (its codes are the client's + 100) come back as events, and
// a value other than the one asked is said so. A server that refuses the
// option (DONT, or WONT though the client only offered it) is one event: the
// connection still carries data, at whatever line settings the server keeps.
//
// Negotiation never loops: an answer is sent only for a request that changes
// an option's state, and a refusal at most once per option and direction,
// so a server that keeps repeating a request we refuse gets one answer. A
// peer that keeps turning an option on and off (each side taking the
// other's answers for new requests, as two of these codecs do after a
// request and its withdrawal crossed) is agreed with three times per option
// and direction; later requests for it get no answer and leave it off.
// Options other than binary, suppress-go-ahead and COM-PORT-OPTION are
// refused (notably ECHO, which would send our commands back to us as
// replies).
//
// Incoming, "IAC IAC" is one data byte 0xFF, commands (NOP, GA, DM, ...)
// are dropped, and a sub-negotiation may arrive split at any byte. While the
// server has not agreed to binary transmission, the Telnet "CR NUL" is
// taken as CR. A sub-negotiation is kept up to 256 bytes; the rest of a
// longer one is dropped. Nothing is global: two codecs never share state,
// and the same bytes always give the same output however they are cut.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zanteq {

namespace telnet {
constexpr unsigned char se = 240, nop = 241, data_mark = 242, sb = 250, will = 251, wont = 252, do_ = 253,
                        dont = 254, iac = 255;
constexpr unsigned char option_binary = 0, option_echo = 1, option_suppress_go_ahead = 3, option_com_port = 44;
}  // namespace telnet

// COM-PORT-OPTION commands as the client sends them; the server answers
// with the same command + 100 (server_offset).
namespace com_port {
constexpr unsigned char signature = 0, set_baudrate = 1, set_datasize = 2, set_parity = 3, set_stopsize = 4,
                        set_control = 5, notify_linestate = 6, notify_modemstate = 7,
                        flowcontrol_suspend = 8, flowcontrol_resume = 9, set_linestate_mask = 10,
                        set_modemstate_mask = 11, purge_data = 12, server_offset = 100;
constexpr unsigned char parity_none = 1, parity_odd = 2, parity_even = 3;
constexpr unsigned char control_no_flow = 1;
}  // namespace com_port

// The unit's line: 9600 baud, 8 data bits, even parity, 1 stop bit, no flow control.
struct ComPortSettings {
  std::uint32_t baud_rate = 9600;
  unsigned char data_size = 8;
  unsigned char parity = com_port::parity_even;
  unsigned char stop_size = 1;
  unsigned char control = com_port::control_no_flow;
};

struct Rfc2217Event {
  enum class Kind : unsigned char {
    // Seen by the client.
    com_port_agreed,   // the server takes COM-PORT-OPTION; the line settings went out
    com_port_refused,  // the server refuses it: its own line settings stay, data still passes
    binary_refused,    // no binary transmission one way or the other: bytes above 0x7F may suffer
    confirmed,         // the server's answer to a setting (command, value, asked)
    line_state,        // NOTIFY-LINESTATE (value)
    modem_state,       // NOTIFY-MODEMSTATE (value)
    signature,         // the other side's SIGNATURE (text)
    flow_suspend,      // FLOWCONTROL-SUSPEND: the other side asks us to pause sending
    flow_resume,       // FLOWCONTROL-RESUME
    unanswered,        // the server said nothing of Telnet while the transport waited (stop_waiting)
    // Seen by the server.
    negotiation,       // the client's WILL/WONT/DO/DONT (verb, option)
    request,           // the client's COM-PORT command (command, value)
  };
  explicit Rfc2217Event(Kind k) : kind(k) {}

  Kind kind;
  unsigned char command = 0;  // the client's command number (0..12), server's answers less 100
  std::uint32_t value = 0;
  bool asked_known = false;   // confirmed: whether the client asked a value itself
  std::uint32_t asked = 0;
  unsigned char verb = 0;     // negotiation: telnet::will .. telnet::dont
  unsigned char option = 0;
  std::string text;           // signature, as received

  // Confirmed with another value than the one asked.
  bool differs() const { return kind == Kind::confirmed && asked_known && value != asked; }
};

// One line for a log, in English: "SET-BAUDRATE 9600", "server confirms
// SET-PARITY EVEN", "the server refuses COM-PORT-OPTION: ...".
std::string describe(const Rfc2217Event& event);

// "SET-PARITY EVEN", "SET-CONTROL NONE", "SET-BAUDRATE 9600": a COM-PORT
// command and its value as the logs show them; com_port_value_text the
// value alone ("EVEN", "NONE", "9600").
std::string com_port_command_text(unsigned char command, std::uint32_t value);
std::string com_port_value_text(unsigned char command, std::uint32_t value);

struct Rfc2217Output {
  std::string data;                  // the line's bytes, undoubled
  std::string send;                  // to send back at once, as it is
  std::vector<Rfc2217Event> events;  // in the order they happened
};

// Line bytes as they go on the connection: every 0xFF doubled.
std::string telnet_escape(std::string_view data);

namespace detail {

// Telnet parsing and option negotiation shared by both sides. Each side
// says which options it takes and what a sub-negotiation or a change of an
// option means to it.
class TelnetEngine {
 public:
  virtual ~TelnetEngine() = default;

 protected:
  enum class OptionState : unsigned char { no, yes, asked };
  enum Side { local = 0, remote = 1 };  // local: we WILL it; remote: the other side WILLs it

  TelnetEngine() = default;
  TelnetEngine(const TelnetEngine&) = default;
  TelnetEngine& operator=(const TelnetEngine&) = default;

  void feed_bytes(std::string_view bytes, Rfc2217Output& out);
  // Asks for an option (WILL for local, DO for remote) unless it is on or asked.
  void ask(Side side, unsigned char option, std::string& send);
  OptionState state(Side side, unsigned char option) const { return options_[side][option]; }
  // The other side refused in words the protocol does not foresee: the
  // option is off, without an answer.
  void give_up(Side side, unsigned char option) { options_[side][option] = OptionState::no; }

  virtual bool accepts(Side side, unsigned char option) const = 0;
  // Called before the request is handled.
  virtual void negotiation(unsigned char verb, unsigned char option, Rfc2217Output& out);
  // An option went on or off (`was` the state before).
  virtual void changed(Side side, unsigned char option, OptionState was, Rfc2217Output& out) = 0;
  virtual void subnegotiation(unsigned char option, std::string_view body, Rfc2217Output& out) = 0;

 private:
  void take_command(unsigned char c, Rfc2217Output& out);  // the byte after an IAC
  void command(unsigned char verb, unsigned char option, Rfc2217Output& out);
  void set(Side side, unsigned char option, OptionState to, Rfc2217Output& out);
  void data_byte(unsigned char c, Rfc2217Output& out);

  enum class Parse : unsigned char { data, iac, verb, sb_option, sb_body, sb_iac } parse_ = Parse::data;
  unsigned char verb_ = 0;
  unsigned char sb_option_ = 0;
  std::string sb_body_;
  bool after_cr_ = false;
  std::array<std::array<OptionState, 256>, 2> options_{};
  std::array<std::array<bool, 256>, 2> refused_{};  // a refusal was answered once
  std::array<std::array<unsigned char, 256>, 2> agreed_{};  // requests agreed with
};

}  // namespace detail

enum class ComPortState { negotiating, agreed, refused };

class Rfc2217Client : private detail::TelnetEngine {
 public:
  // The opening negotiation; the first call gives it, later calls nothing.
  std::string start();
  Rfc2217Output feed(std::string_view bytes);

  // Whether the server has taken COM-PORT-OPTION yet (and the line
  // settings went out), refused it, or not said.
  ComPortState com_port_state() const { return com_port_; }

  // Whether the opening negotiation is over: the server refused
  // COM-PORT-OPTION, or took it and answered each of the five settings. A
  // transport holds the first command back until then (for a second at
  // most), so that the unit never hears it at the server's old line
  // settings.
  bool settled() const;
  // The transport has waited long enough and goes on. When the server has
  // sent no Telnet command at all, one `unanswered` event: it is most
  // likely a raw TCP port, whose unit got our offer as line bytes.
  Rfc2217Output stop_waiting();

 private:
  bool accepts(Side side, unsigned char option) const override;
  void negotiation(unsigned char verb, unsigned char option, Rfc2217Output& out) override;
  void changed(Side side, unsigned char option, OptionState was, Rfc2217Output& out) override;
  void subnegotiation(unsigned char option, std::string_view body, Rfc2217Output& out) override;
  void refused(Rfc2217Output& out);

  bool started_ = false;
  bool heard_ = false;                  // any Telnet command from the server
  unsigned char settings_answered_ = 0;  // bit n: the answer to command n (1..5) came
  ComPortState com_port_ = ComPortState::negotiating;
  bool binary_refusal_told_ = false;
  ComPortSettings asked_;
};

// A minimal server, for the simulator: it agrees to what a client asks of
// binary, suppress-go-ahead and COM-PORT-OPTION, takes every line setting,
// answers each command with its confirmation and queries with the value it
// holds, and reports each negotiation and command as an event.
class Rfc2217Server : private detail::TelnetEngine {
 public:
  explicit Rfc2217Server(std::string signature = "zanteq-sim") : signature_(std::move(signature)) {}
  Rfc2217Output feed(std::string_view bytes);

  const ComPortSettings& settings() const { return settings_; }

 private:
  bool accepts(Side side, unsigned char option) const override;
  void negotiation(unsigned char verb, unsigned char option, Rfc2217Output& out) override;
  void changed(Side, unsigned char, OptionState, Rfc2217Output&) override {}
  void subnegotiation(unsigned char option, std::string_view body, Rfc2217Output& out) override;
  std::uint32_t control_answer(std::uint32_t asked);

  std::string signature_;
  ComPortSettings settings_;
  unsigned char inbound_flow_ = 14;  // no inbound flow control
  bool break_on_ = false, dtr_on_ = true, rts_on_ = true;
};

}  // namespace zanteq
