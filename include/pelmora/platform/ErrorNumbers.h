#pragma once

#include <cstdint>

namespace pelmora::errors {

// Numbers of the platform's own errors, kept as clients know them.
inline constexpr std::int32_t kInvalidArgument = 5;
inline constexpr std::int32_t kOverflow = 6;
inline constexpr std::int32_t kOutOfMemory = 7;
inline constexpr std::int32_t kSubscriptOutOfRange = 9;
inline constexpr std::int32_t kTypeMismatch = 13;
inline constexpr std::int32_t kInternalError = 51;
inline constexpr std::int32_t kObjectNotSet = 91;
inline constexpr std::int32_t kKeyAlreadyExists = 457;

// Numbers of the library's own errors.
inline constexpr std::int32_t kPositionOutOfRange = 101;
inline constexpr std::int32_t kCommandCancelled = 113;
inline constexpr std::int32_t kNoConnection = 116;
inline constexpr std::int32_t kNoResponse = 119;
inline constexpr std::int32_t kReplyTimeout = 120;
inline constexpr std::int32_t kConnectionBusy = 121;
inline constexpr std::int32_t kCommandInProgress = 123;
inline constexpr std::int32_t kDeviceReportedError = 9998;
inline constexpr std::int32_t kLibraryError = 9999;

// Connection errors (3001 to 3009, source "Connection").
inline constexpr std::int32_t kConnectFailed = 3001;
inline constexpr std::int32_t kConnectTimedOut = 3002;
inline constexpr std::int32_t kSendFailed = 3003;
inline constexpr std::int32_t kConnectionClosedByDevice = 3004;
inline constexpr std::int32_t kReceiveFailed = 3005;
inline constexpr std::int32_t kNotConnected = 3006;
inline constexpr std::int32_t kSerialOpenFailed = 3007;
inline constexpr std::int32_t kReceiveLimitExceeded = 3008;
inline constexpr std::int32_t kInvalidEndpoint = 3009;
// A plan that finds its session gone ("the device ended the session") tells it as the device
// closing the session: a new session would start from another state.
inline constexpr std::int32_t kSessionEnded = kConnectionClosedByDevice;

}  // namespace pelmora::errors
