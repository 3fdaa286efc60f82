#include "pelmora/components/ErrorSnapshot.h"

#include <gtest/gtest.h>

#include "pelmora/platform/ErrorMessages.h"
#include "support/ExpectError.h"

namespace pelmora {
namespace {

using testing::CatchError;

TEST(ErrorSnapshotTest, RaisesTheCapturedErrorWithASourceSuffix) {
  ErrorSnapshot snapshot;
  snapshot.Capture(std::make_exception_ptr(
      AutomationError(119, "ProtocolHandler:Query Method", "No response from device")));
  const auto error = CatchError([&] { snapshot.Raise(">>ProtocolHandler:Command Method"); });
  EXPECT_EQ(error.Number(), 119);
  EXPECT_EQ(error.Source(), "ProtocolHandler:Query Method>>ProtocolHandler:Command Method");
  EXPECT_EQ(error.Description(), "No response from device");
}

TEST(ErrorSnapshotTest, ForeignExceptionsBecomeInternalErrors) {
  ErrorSnapshot snapshot;
  snapshot.Capture(std::make_exception_ptr(std::logic_error("broken invariant")));
  EXPECT_EQ(snapshot.Number(), 51);
  EXPECT_EQ(snapshot.Description(), "broken invariant");
}

// The texts themselves are a table; what is behaviour is the text of a number it lacks.
TEST(ErrorMessagesTest, UnknownNumbersGetAGenericText) {
  EXPECT_EQ(ErrorMessages::Current().ErrorText(4242), "Error 4242");
}

}  // namespace
}  // namespace pelmora
