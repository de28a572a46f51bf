// <future> runs std::async's work as a ConcRT task, and ConcRT is not part of
// the open-source STL. A task here is a thread of its own, joined at wait().
#pragma once
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

namespace Concurrency {
template <class T> class task;

template <> class task<void> {
public:
    task() = default;
    template <class Function>
    explicit task(Function&& function) : state(std::make_shared<State>(std::forward<Function>(function))) {}

    void wait() const {
        if (state) {
            std::call_once(state->joined, [this] { state->worker.join(); });
        }
    }

private:
    struct State {
        template <class Function> explicit State(Function&& function) : worker(std::forward<Function>(function)) {}
        std::thread worker;
        std::once_flag joined;
    };
    std::shared_ptr<State> state;
};

template <class Function> task<void> create_task(Function&& function) {
    return task<void>(std::forward<Function>(function));
}
} // namespace Concurrency
