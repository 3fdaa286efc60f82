#pragma once

#include <string>
#include <string_view>

// libtelnet's types, declared as libtelnet declares them, so that users of the codec need not
// see its header.
struct telnet_t;
union telnet_event_t;

namespace pelmora {

// The telnet layer of one session, for either end of it: option negotiation and the escaping of
// byte 255 through libtelnet, and the line ends of received text. It only collects (the data
// received, the bytes to put on the wire), so that nothing is called back from inside the
// parser and its owner decides when to write.
//
// The client accepts the other end's offers to echo and to suppress go-ahead and refuses every
// other option; the server offers those two and refuses every other option. Garbled or unknown
// sequences never stop the parser: they are refused or dropped, and the bytes behind them are
// read on. Byte 255 followed by a byte that is no telnet command (below 240) is a peer that
// forgot to double it: both bytes are data, so the byte behind it is not lost.
//
// Received text: a CR followed by NUL (how telnet sends a bare CR) becomes CR. At the server a
// bare LF becomes CR as well: a client in character mode that reads a pipe sends the LF it
// reads, and the shell ends lines at CR only.
class TelnetCodec {
 public:
  enum class Role { Client, Server };

  explicit TelnetCodec(Role role);
  ~TelnetCodec();
  TelnetCodec(const TelnetCodec&) = delete;
  TelnetCodec& operator=(const TelnetCodec&) = delete;

  // What this end offers when the session starts (nothing for a client).
  void OfferOptions();
  void Receive(std::string_view raw);
  // Doubles byte 255; CR and LF go out as given.
  void Send(std::string_view data);

  std::string TakeData();
  std::string TakeWire();

 private:
  static void OnEvent(telnet_t* telnet, telnet_event_t* event, void* user);
  void AppendData(std::string_view data);

  Role role_;
  telnet_t* telnet_;
  std::string data_;
  std::string wire_;
  bool afterCr_ = false;  // the last data byte was a CR, perhaps in the previous chunk
};

}  // namespace pelmora
