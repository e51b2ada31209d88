// The small value types that command descriptions, the engine and the window share.
#pragma once

#include <cstdint>

// Which files a command takes from the list.
enum class TcmdNombre : uint8_t { fnNone = 0, fnSingle = 1, fnSelect = 2, fnAll = 3 };

// When the file list refreshes its active file during a run.
enum class TUpdateDisplay : uint8_t { udNone = 0, udFinal = 1, udEach = 2 };

// What a pass changes in the file list afterwards.
enum class TUpdateFile : uint8_t { ufNone = 0, ufAdd = 1, ufRemove = 2, ufReload = 3, ufReplace = 4, ufRename = 5 };

enum class TErrorType : uint8_t { etNoError = 0, etError = 1, etAllError = 2 };

// Answers to a question, with the values of message-box results.
enum TMsgAnswer : int16_t {
    kAnswerCancel = 2,
    kAnswerYes = 6,
    kAnswerNo = 7,
    kAnswerNoToAll = 9,
    kAnswerYesToAll = 10,
};
