// One RAII holder for every kind of system handle, keyed on the function that releases it.
//
// None is the value that means "no handle": null for Windows handles, -1 for a POSIX file
// descriptor (CResource<int, CloseFd, -1>). For pointer-like handles the all-ones value means "no
// handle" too, because Windows returns INVALID_HANDLE_VALUE instead of null from some calls; no
// real pointer or handle ever has that value.
#pragma once

#include <cstdint>
#include <type_traits>
#include <utility>

template <typename T, auto Release, T None = T{}>
class CResource {
public:
    CResource() = default;
    explicit CResource(T h) : m_h(IsValid(h) ? h : None) {}
    ~CResource() { Reset(); }

    CResource(const CResource&) = delete;
    CResource& operator=(const CResource&) = delete;
    CResource(CResource&& other) noexcept : m_h(other.Detach()) {}
    CResource& operator=(CResource&& other) noexcept
    {
        if (this != &other)
            Reset(other.Detach());
        return *this;
    }

    // Only a real handle is ever stored.
    static bool IsValid(T h)
    {
        if constexpr (std::is_pointer_v<T>)
            return h != None && reinterpret_cast<std::uintptr_t>(h) != ~std::uintptr_t{0};
        else
            return h != None;
    }

    T Get() const { return m_h; }
    explicit operator bool() const { return m_h != None; }

    T Detach() { return std::exchange(m_h, None); }

    void Reset(T h = None)
    {
        T old = std::exchange(m_h, IsValid(h) ? h : None);
        if (old != None)
            Release(old);
    }

private:
    T m_h = None;
};
