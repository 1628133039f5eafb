#include "platform/base/Failure.h"

#include <cstdio>

namespace platform {
namespace {
MessageSink& Sink() {
    static MessageSink sink;
    return sink;
}
QuestionSink& Questions() {
    static QuestionSink sink;
    return sink;
}
MessageSink& Warnings() {
    static MessageSink sink;
    return sink;
}
}  // namespace

void SetQuestionSink(QuestionSink sink) { Questions() = std::move(sink); }

bool AskYesNo(const QString& text) { return Questions() ? Questions()(text) : false; }

void SetWarningSink(MessageSink sink) { Warnings() = std::move(sink); }

void Warn(const QString& text) {
    if (Warnings()) {
        Warnings()(text);
    } else {
        std::fprintf(stderr, "ombrastele: %s\n", text.toLocal8Bit().constData());
    }
}

void SetMessageSink(MessageSink sink) { Sink() = std::move(sink); }

void ShowMessage(const QString& text) {
    if (Sink()) {
        Sink()(text);
    } else {
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    }
}

}  // namespace platform
