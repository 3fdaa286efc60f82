#pragma once

// libtelnet.h uses size_t without declaring it.
#include <cstddef>

#include <libtelnet.h>

#include <string>
#include <string_view>

namespace pelmora::simulator_detail {

// The telnet side of one shell session: option negotiation and byte 255 escaping through
// libtelnet. It only collects (data received, bytes for the wire), so that nothing is called
// back from inside the parser.
class TelnetServerCodec {
 public:
  TelnetServerCodec();
  ~TelnetServerCodec();
  TelnetServerCodec(const TelnetServerCodec&) = delete;
  TelnetServerCodec& operator=(const TelnetServerCodec&) = delete;

  // What a print server's telnet offers at connect: it echoes and suppresses go-ahead.
  void OfferOptions();
  void Receive(std::string_view raw);
  void Send(std::string_view data);

  std::string TakeData();
  std::string TakeWire();

 private:
  static void OnEvent(telnet_t* telnet, telnet_event_t* event, void* user);
  void AppendData(const char* data, std::size_t size);

  telnet_t* telnet_;
  std::string data_;
  std::string wire_;
  // A client sends a bare carriage return as CR NUL; the NUL is not part of the text.
  bool afterCr_ = false;
};

}  // namespace pelmora::simulator_detail
