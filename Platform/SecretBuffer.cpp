#include "Platform/SecretBuffer.h"

#include <QByteArray>

#include <cstring>
#include <string.h>
#include <utility>

namespace vesperline::platform {

SecretBuffer::SecretBuffer(std::string_view bytes) : bytes_(new char[bytes.size() + 1]), size_(bytes.size()) {
    std::memcpy(bytes_.get(), bytes.data(), bytes.size());
    bytes_[bytes.size()] = '\0';
}

SecretBuffer SecretBuffer::takeText(QString& text) {
    QByteArray utf8 = text.toUtf8();
    SecretBuffer buffer(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
    // explicit_bzero: a plain memset before freeing may be dropped by the compiler.
    explicit_bzero(utf8.data(), static_cast<std::size_t>(utf8.size()));
    if (!text.isEmpty()) {
        explicit_bzero(text.data(), static_cast<std::size_t>(text.size()) * sizeof(QChar));
    }
    text.clear();
    return buffer;
}

SecretBuffer::~SecretBuffer() {
    wipe();
}

SecretBuffer::SecretBuffer(SecretBuffer&& other) noexcept
    : bytes_(std::move(other.bytes_)), size_(std::exchange(other.size_, 0)) {}

SecretBuffer& SecretBuffer::operator=(SecretBuffer&& other) noexcept {
    if (this != &other) {
        wipe();
        bytes_ = std::move(other.bytes_);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

void SecretBuffer::wipe() {
    if (bytes_) {
        explicit_bzero(bytes_.get(), size_);
    }
    size_ = 0;
}

} // namespace vesperline::platform
