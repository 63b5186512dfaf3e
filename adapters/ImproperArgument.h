#pragma once

#include <concepts>
#include <exception>
#include <string>

// The program's one rule for an entry index that does not fit its list (the adapter list's
// or the hub list's lists): the operation under way is abandoned with this exception, and
// the handler of the user's action catches it and shows what() in a box with the stop
// icon. The window stays open and keeps the state the operation left.
class ImproperArgument : public std::exception {
public:
    const char* what() const noexcept override { return "Encountered an improper argument."; }
    static std::string Text() { return "Encountered an improper argument."; }
};

// list[index], or ImproperArgument when index is not an index of list. Works on any list
// with size() and operator[] (std::vector, std::array), const or not.
template <typename List, std::integral Index> decltype(auto) CheckedAt(List& list, Index index) {
    if (index < 0 || static_cast<long long>(index) >= static_cast<long long>(list.size()))
        throw ImproperArgument();
    return list[index];
}
