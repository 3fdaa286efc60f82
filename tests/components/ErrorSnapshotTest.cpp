#include "pelmora/components/ErrorSnapshot.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "pelmora/platform/ErrorMessages.h"

namespace pelmora {
namespace {

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
