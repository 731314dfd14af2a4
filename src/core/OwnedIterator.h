// Iteration over an owning list (a vector of unique_ptr) that yields the
// plain pointers, so that callers write "for (TFld* f : *FldList)".
#pragma once

#include <memory>
#include <vector>

template <typename T>
class TOwnedIterator {
public:
    using base = typename std::vector<std::unique_ptr<T>>::const_iterator;
    explicit TOwnedIterator(base AIt) : It(AIt) {}
    T* operator*() const { return It->get(); }
    TOwnedIterator& operator++()
    {
        ++It;
        return *this;
    }
    bool operator!=(const TOwnedIterator& A) const { return It != A.It; }

private:
    base It;
};
