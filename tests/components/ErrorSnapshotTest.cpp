#include "pelmora/components/ErrorSnapshot.h"

#include <gtest/gtest.h>

#include "pelmora/platform/ErrorMessages.h"

namespace pelmora {
namespace {

TEST(ErrorSnapshotTest, RaisesTheCapturedErrorWithASourceSuffix) {
  ErrorSnapshot snapshot;
  EXPECT_EQ(snapshot.Number(), 0);
  try {
    ErrorMessages::Current().RaiseNumberedError(119, "ProtocolHandler:Query Method");
  } catch (...) {
    snapshot.Capture(std::current_exception());
  }
  try {
    snapshot.Raise(">>ProtocolHandler:Command Method");
    FAIL();
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.Number(), 119);
    EXPECT_EQ(e.Source(), "ProtocolHandler:Query Method>>ProtocolHandler:Command Method");
    EXPECT_EQ(e.Description(), "No response from device");
  }
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
