#include "pelmora/transport/TelnetCodec.h"

#include <gtest/gtest.h>

#include <random>

namespace pelmora {
namespace {

using namespace std::string_literals;
using Role = TelnetCodec::Role;

// What a codec made of a stream fed in the given chunks: the data and the wire answers.
using Decoded = std::pair<std::string, std::string>;

Decoded Feed(Role role, const std::vector<std::string>& chunks) {
  TelnetCodec codec(role);
  Decoded decoded;
  for (const auto& chunk : chunks) {
    codec.Receive(chunk);
    decoded.first += codec.TakeData();
    decoded.second += codec.TakeWire();
  }
  return decoded;
}

TEST(TelnetCodecTest, ClientAndServerNegotiateWithEachOtherAndCarryEveryByte) {
  TelnetCodec server(Role::Server);
  TelnetCodec client(Role::Client);
  server.OfferOptions();
  client.OfferOptions();  // a client offers nothing
  EXPECT_EQ(client.TakeWire(), "");
  const std::string offers = server.TakeWire();
  EXPECT_EQ(offers, "\xff\xfb\x01\xff\xfb\x03"s);
  client.Receive(offers);
  const std::string accepted = client.TakeWire();
  EXPECT_EQ(accepted, "\xff\xfd\x01\xff\xfd\x03"s);
  server.Receive(accepted);
  EXPECT_EQ(server.TakeWire(), "");  // accepted offers are not answered again
  EXPECT_EQ(server.TakeData() + client.TakeData(), "");

  // Every byte value both ways; CR and LF unchanged on the wire, 255 doubled.
  std::string all;
  for (int byte = 1; byte < 256; ++byte) all += static_cast<char>(byte);
  client.Send("SET \r\n" + all);
  const std::string wire = client.TakeWire();
  EXPECT_EQ(wire, "SET \r\n" + all + "\xff"s);
  server.Receive(wire);
  EXPECT_EQ(server.TakeData(), "SET \r\n" + all.substr(0, 9) + "\r" + all.substr(10));
  server.Send(all);
  client.Receive(server.TakeWire());
  EXPECT_EQ(client.TakeData(), all);
}

TEST(TelnetCodecTest, RecordedStreamsDecodeTheSameHoweverTheyAreSplit) {
  // A device's greeting: offers, a request for the terminal type and its subnegotiation, an
  // escaped 255, a no-operation, a bare CR sent as CR NUL, and a lone 255 before text.
  const std::string device =
      "\xff\xfb\x01\xff\xfb\x03\xff\xfd\x18\xff\xfa\x18\x01\xff\xf0"
      "\r\nA\xff\xff"
      "B\xff\xf1"
      "C\r\0D\xff"
      "E\r\nLocal> "s;
  // A client that asks for echo before the server offered it (the server agrees), offers and
  // asks for what the server refuses, then sends a line ended by CR NUL, one by CR LF
  // and one by a bare LF.
  const std::string client = "\xff\xfd\x01\xff\xfd\x03\xff\xfb\x1f\xff\xfd\x22SH\r\0NW\r\nX\n"s;
  const Decoded deviceWhole{
      "\r\nA\xff"
      "BC\rD\xff"
      "E\r\nLocal> "s,
      "\xff\xfd\x01\xff\xfd\x03\xff\xfc\x18"s};
  const Decoded clientWhole{"SH\rNW\r\nX\r", "\xff\xfb\x01\xff\xfb\x03\xff\xfe\x1f\xff\xfc\x22"s};
  ASSERT_EQ(Feed(Role::Client, {device}), deviceWhole);
  ASSERT_EQ(Feed(Role::Server, {client}), clientWhole);

  for (const auto& [role, stream, whole] : {std::tuple{Role::Client, device, deviceWhole},
                                            std::tuple{Role::Server, client, clientWhole}}) {
    for (std::size_t cut = 1; cut < stream.size(); ++cut)
      EXPECT_EQ(Feed(role, {stream.substr(0, cut), stream.substr(cut)}), whole) << cut;
    std::vector<std::string> bytes;
    for (const char c : stream) bytes.emplace_back(1, c);
    EXPECT_EQ(Feed(role, bytes), whole);
  }
}

// Option garbage from either side is refused or dropped, and the text behind it arrives.
TEST(TelnetCodecTest, GarbageIsRefusedOrDroppedAndTheTextBehindItSurvives) {
  const std::string garbage =
      "\xff\xf0"              // end of a subnegotiation that never began
      "\xff\xfa\xff\xf0"      // an empty subnegotiation
      "\xff\xfa\x18\x01\xff"  // a subnegotiation cut by a bad byte after its 255
      "\x05"
      "\xff\xfd\x99"    // a request for an unknown option
      "\xff\xfb\x99"s;  // an offer of it
  for (const Role role : {Role::Client, Role::Server}) {
    const Decoded decoded = Feed(role, {garbage, "text\r"});
    EXPECT_TRUE(decoded.first.ends_with("text\r")) << decoded.first;
    EXPECT_EQ(decoded.second, "\xff\xfc\x99\xff\xfe\x99"s);
  }
  // Random bytes: the parser neither stops nor throws, and text behind a completed sequence
  // after them still arrives.
  const std::string completed = "\xff\xf0\xff\xf1\xff\xf1"s + "after\r";
  std::mt19937 random(4711);
  for (int round = 0; round < 200; ++round) {
    std::string noise(64, '\0');
    for (char& c : noise) c = static_cast<char>(random() % 4 == 0 ? 255 : random() % 256);
    const Decoded decoded = Feed(round % 2 ? Role::Client : Role::Server, {noise, completed});
    EXPECT_TRUE(decoded.first.ends_with("after\r")) << round;
  }
}

}  // namespace
}  // namespace pelmora
