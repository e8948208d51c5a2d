// TRunRecorder: binds every event of an engine and records each one as a line of text
// ("FileMissing sub/a.txt"), with paths shown relative to the tree root and "/" as the
// delimiter, so a test compares a run with a plain table on every platform. Questions
// are answered from queues (then a default) and recorded too.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "platform/files.h"

class TRunRecorder {
public:
    std::vector<std::string> Events;
    std::deque<TConfirmAnswer> OverwriteAnswers, ForeignAnswers, ContinueAnswers;
    TConfirmAnswer DefaultAnswer = caYes;
    bool ConfirmAbort = true;
    bool RecordProcessing = true;
    // Called after every recorded event, e.g. to press "Abort" at a given moment.
    std::function<void(const std::string& event)> AfterEvent;

    TRunRecorder(TCheckSumEngine& engine, std::string root) : Root(std::move(root)) {
        TCheckSumEngine& e = engine;
        // Every event as its name without "On" and its arguments; the few below differ.
#define TLVN_RECORD_EVENT(name, signature) e.name = Record<signature>(&#name[2]);
        TLVN_ENGINE_EVENTS(TLVN_RECORD_EVENT)
#undef TLVN_RECORD_EVENT
        e.OnProgress = nullptr;
        e.OnProcessing = [this](const std::string& p) {
            if (RecordProcessing)
                Add("Processing " + Rel(p));
        };
        e.OnConfirmAbort = [this] {
            Add(std::string("ConfirmAbort ") + (ConfirmAbort ? "yes" : "no"));
            return ConfirmAbort;
        };
        e.OnConfirmOverwrite = [this](const std::string& p) {
            return Ask("ConfirmOverwrite", p, OverwriteAnswers);
        };
        e.OnConfirmOverwriteForeign = [this](const std::string& p) {
            return Ask("ConfirmOverwriteForeign", p, ForeignAnswers);
        };
        e.OnConfirmContinueForeign = [this](const std::string& p) {
            return Ask("ConfirmContinueForeign", p, ContinueAnswers);
        };
        e.OnLoadError = [this](const std::string& p, const std::string&) {
            Add("LoadError " + Rel(p));
        };
        e.OnSaveError = [this](const std::string& p, const std::string& message) {
            LastSaveError = message;
            Add("SaveError " + Rel(p));
        };
        e.OnChecksumOk = [this](const std::string& p, const std::string& kind, const std::string&) {
            Add("ChecksumOk " + Rel(p) + " " + kind);
        };
    }

    // The events other than Processing, in order.
    std::vector<std::string> Findings() const {
        std::vector<std::string> result;
        for (const std::string& event : Events)
            if (event.compare(0, 11, "Processing ") != 0)
                result.push_back(event);
        return result;
    }

    std::string LastSaveError;

    // path below the root, with "/" between its parts.
    std::string Rel(std::string path) const {
        if (path.compare(0, Root.size(), Root) == 0)
            path.erase(0, Root.size());
        for (char& c : path)
            if (c == files::kPathDelimiter)
                c = '/';
        return path;
    }

private:
    std::string Root;

    void Add(const std::string& event) {
        Events.push_back(event);
        if (AfterEvent)
            AfterEvent(event);
    }

    // A path relative to the root; a number in decimal.
    std::string Argument(const std::string& path) const {
        return Rel(path);
    }
    template <typename Number> std::string Argument(Number number) const {
        return std::to_string(number);
    }

    // Records the event name followed by each argument.
    template <typename Signature> struct TRecorded;
    template <typename Result, typename... Args> struct TRecorded<Result(Args...)> {
        static std::function<Result(Args...)> Make(TRunRecorder* recorder, const char* name) {
            return [recorder, name](Args... args) {
                std::string event = name;
                ((event += " " + recorder->Argument(args)), ...);
                recorder->Add(event);
                return Result();
            };
        }
    };
    template <typename Signature> std::function<Signature> Record(const char* name) {
        return TRecorded<Signature>::Make(this, name);
    }

    TConfirmAnswer Ask(const char* name, const std::string& path,
                       std::deque<TConfirmAnswer>& answers) {
        TConfirmAnswer answer = DefaultAnswer;
        if (!answers.empty()) {
            answer = answers.front();
            answers.pop_front();
        }
        Add(std::string(name) + " " + Rel(path) + " " + std::to_string(answer));
        return answer;
    }
};
