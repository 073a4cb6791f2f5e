// What every platform does once it knows the size of a file it is to read
// whole: refuse more than the caller's limit, let the caller reserve the
// memory (it may wait for it), then allocate the buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <new>
#include <stdexcept>
#include <vector>

enum class EReadBuffer {
    Ready,     // vecData holds nSize bytes, to be filled
    TooLarge,  // over the limit; nothing reserved or allocated
    NoMemory,  // the buffer could not be allocated; vecData is empty
};

inline EReadBuffer PrepareReadBuffer(std::uint64_t nSize, std::uint64_t nMaxBytes,
                                     const std::function<void(std::uint64_t)>& fnReserve,
                                     std::vector<std::uint8_t>& vecData) {
    if (nSize > nMaxBytes) {
        return EReadBuffer::TooLarge;
    }
    if (fnReserve) {
        fnReserve(nSize);
    }
    // A size_t narrower than the file size (32-bit builds) must not wrap.
    if (nSize > vecData.max_size()) {
        std::vector<std::uint8_t>().swap(vecData);
        return EReadBuffer::NoMemory;
    }
    try {
        vecData.resize(static_cast<std::size_t>(nSize));
    } catch (const std::bad_alloc&) {
        std::vector<std::uint8_t>().swap(vecData);
        return EReadBuffer::NoMemory;
    } catch (const std::length_error&) {
        std::vector<std::uint8_t>().swap(vecData);
        return EReadBuffer::NoMemory;
    }
    return EReadBuffer::Ready;
}
