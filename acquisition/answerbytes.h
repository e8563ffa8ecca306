// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <cstddef>
#include <cstdint>

#include "link/answer.h"

namespace mt {

// Bytes read from a port as the link layer takes them: a view, valid while
// the QByteArray lives and is not changed.
inline AnswerBytes BytesOf(const QByteArray& bytes) {
    return {reinterpret_cast<const std::uint8_t*>(bytes.constData()),
            static_cast<std::size_t>(bytes.size())};
}

}  // namespace mt
