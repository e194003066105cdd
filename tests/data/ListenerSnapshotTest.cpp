// Notification lists: every listener present when an event begins hears it, even when one of
// them empties or refills the list meanwhile, on the stack-held and the spilled path alike.

#include <gtest/gtest.h>

#include <vector>

#include "data/ListenerSnapshot.h"

namespace lw::test {
namespace {

TEST(ListenerSnapshot, KeepsEveryListenerPresentWhenTheEventBeganWhateverTheListDoesMeanwhile) {
  for (int count : {0, 1, 4, 5, 9}) {
    std::vector<int> values(count);
    std::vector<int*> listeners;
    for (int& value : values) listeners.push_back(&value);
    int visited = 0;
    for (int* listener : ListenerSnapshot(listeners)) {
      // The first listener detaches everyone and attaches a stranger.
      if (visited == 0) listeners.assign(3, nullptr);
      EXPECT_EQ(&values[visited], listener) << "count " << count;
      ++visited;
    }
    EXPECT_EQ(count, visited);
  }
}

}  // namespace
}  // namespace lw::test
