// A network port's connection without I/O: raw or RFC 2217, the failures'
// texts and the notes for the log.
#include "core/link/net_stream.h"

namespace zanteq {

std::string net_failure_text(NetFailure failure) {
  switch (failure) {
    case NetFailure::none: return {};
    case NetFailure::not_found: return "the host name is not known";
    case NetFailure::refused: return "the connection was refused (nothing listens on that port, or it is busy)";
    case NetFailure::timed_out:
      return "no answer within " + std::to_string(net_connect_timeout_ms / 1000) +
             " s (the server is off or cannot be reached)";
    case NetFailure::unreachable: return "the network or the host cannot be reached";
    case NetFailure::closed: return "the server closed the connection";
    case NetFailure::reset: return "the connection was reset";
    case NetFailure::silent: return "the server stopped answering";
    case NetFailure::failed: return "the connection failed";
  }
  return {};
}

std::string net_failure_text_ja(NetFailure failure) {
  switch (failure) {
    case NetFailure::none: return {};
    case NetFailure::not_found: return "ホスト名が見つかりません";
    case NetFailure::refused: return "接続を拒否されました (ポートが待ち受けていないか、使用中です)";
    case NetFailure::timed_out:
      return std::to_string(net_connect_timeout_ms / 1000) + " 秒以内に応答がありません (サーバーの電源が切れているか、届きません)";
    case NetFailure::unreachable: return "ネットワークまたはホストに届きません";
    case NetFailure::closed: return "サーバーが接続を切りました";
    case NetFailure::reset: return "接続がリセットされました";
    case NetFailure::silent: return "サーバーが応答しなくなりました";
    case NetFailure::failed: return "接続できません";
  }
  return {};
}

Rfc2217Output NetStream::feed(std::string_view bytes) {
  if (!rfc2217_) return Rfc2217Output{std::string(bytes), {}, {}};
  Rfc2217Output out = codec_.feed(bytes);
  for (const Rfc2217Event& e : out.events) {
    if (e.kind == Rfc2217Event::Kind::flow_suspend) held_ = true;
    if (e.kind == Rfc2217Event::Kind::flow_resume) held_ = false;
  }
  return out;
}

std::string NetStream::encode(std::string_view line) const {
  return rfc2217_ ? telnet_escape(line) : std::string(line);
}

std::string net_note_text(const Rfc2217Event& e) {
  using Kind = Rfc2217Event::Kind;
  const std::string head = "RFC 2217: ";
  switch (e.kind) {
    case Kind::com_port_agreed:
      return head + "回線設定 (9600 bps、8 ビット、偶数パリティ、ストップ 1、フロー制御なし) を送りました";
    case Kind::com_port_refused:
      return head + "サーバーが回線設定 (COM-PORT-OPTION) を断りました。サーバー側の回線設定のまま通信します";
    case Kind::binary_refused:
      return head + "サーバーがバイナリ転送を断りました。0x7F を超えるバイト (タイトル) が変わることがあります";
    case Kind::confirmed:
      if (e.differs())
        return head + "サーバーの応答 " + com_port_command_text(e.command, e.value) + " (要求は " +
               com_port_value_text(e.command, e.asked) + ")";
      return head + "サーバーの確認 " + com_port_command_text(e.command, e.value);
    case Kind::line_state: return head + "回線状態 " + com_port_value_text(com_port::notify_linestate, e.value);
    case Kind::modem_state: return head + "モデム状態 " + com_port_value_text(com_port::notify_modemstate, e.value);
    case Kind::signature: return head + "サーバー SIGNATURE " + e.text;
    case Kind::flow_suspend: return head + "サーバーが送信の一時停止を求めました (FLOWCONTROL-SUSPEND)";
    case Kind::flow_resume: return head + "サーバーが送信の再開を認めました (FLOWCONTROL-RESUME)";
    case Kind::unanswered:
      return head + "サーバーがネゴシエーションに応答しません (TCP のポートかもしれません)";
    case Kind::negotiation:
    case Kind::request: break;  // the server's side
  }
  return head + describe(e);
}

bool net_note_warns(const Rfc2217Event& e) {
  using Kind = Rfc2217Event::Kind;
  return e.kind == Kind::com_port_refused || e.kind == Kind::binary_refused || e.kind == Kind::unanswered ||
         e.differs();
}

}  // namespace zanteq
