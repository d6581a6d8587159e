#include "Prompts.h"


namespace lorvane {

Prompts::Answer Prompts::defaultAnswer(Buttons buttons, int defaultButton) {
    using A = Answer;
    auto pick = [defaultButton](std::initializer_list<A> set) {
        const auto i = static_cast<std::size_t>(defaultButton);
        return i < set.size() ? *(set.begin() + i) : *set.begin();
    };
    switch (buttons) {
    case Buttons::Ok: return A::Ok;
    case Buttons::OkCancel: return pick({A::Ok, A::Cancel});
    case Buttons::AbortRetryIgnore: return pick({A::Abort, A::Retry, A::Ignore});
    case Buttons::YesNoCancel: return pick({A::Yes, A::No, A::Cancel});
    case Buttons::YesNo: return pick({A::Yes, A::No});
    case Buttons::RetryCancel: return pick({A::Retry, A::Cancel});
    }
    return A::Ok;
}

}  // namespace lorvane
