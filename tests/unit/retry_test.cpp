#include "net/retry.h"

#include <vector>

#include "fake_os.h"

namespace qir {
namespace {

using testing::FakeOsTest;

class RetryTest : public FakeOsTest {};

TEST_F(RetryTest, Schedules) {
  struct Row {
    std::vector<HttpStatus> answers;
    HttpStatus result;
    std::size_t calls;
    std::vector<std::uint32_t> pauses;
  };
  using S = HttpStatus;
  const Row rows[] = {
      {{S::Ok}, S::Ok, 1, {}},
      {{S::Fail}, S::Fail, 1, {}},
      {{S::Retry, S::Ok}, S::Ok, 2, {1000}},
      {{S::Retry, S::Retry, S::Ok}, S::Ok, 3, {1000, 2000}},
      {{S::Retry, S::Retry, S::Retry, S::Fail}, S::Fail, 4, {1000, 2000, 4000}},
      {{S::Retry, S::Retry, S::Retry, S::Retry, S::Ok}, S::Retry, 4, {1000, 2000, 4000, 4000}},
  };
  for (const Row& row : rows) {
    sleeps.clear();
    std::size_t calls = 0;
    const HttpStatus result = WithRetry([&] { return row.answers.at(calls++); });
    EXPECT_EQ(result, row.result);
    EXPECT_EQ(calls, row.calls);
    EXPECT_EQ(sleeps, row.pauses);
  }
}

TEST_F(RetryTest, AnEmptyOperationIsAProgrammingError) {
  EXPECT_THROW(WithRetry({}), std::bad_function_call);
}

}  // namespace
}  // namespace qir
