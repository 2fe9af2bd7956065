#pragma once
#include <QString>

#include <system_error>

// Why a roster (or a class list to import) could not be read: the system's
// words, or ours where the reader refused a file it opened.
QString OpenErrorReason(const std::error_code& error);
