// 10,000 to-do items sorted on each column kind, from the same shuffled order every time.
#include <benchmark/benchmark.h>

#include <random>

#include "TodoList.h"

namespace {

void Fill(TTodoItemCollection& items, int n) {
    std::mt19937 random(7);
    const char* const people[] = {"Anna", "Bernd", "Clara", "Dieter", "Eva", ""};
    for (int i = 0; i < n; ++i) {
        TTodoItem* item = items.Add();
        item->SetSubject("Aufgabe " + std::to_string(random() % 100000));
        item->SetCompletion(static_cast<int>(random() % 101));
        item->SetPriority(static_cast<TTodoPriority>(random() % 5));
        item->SetDueDate(TDateTime(45000.0 + random() % 400));
        item->SetCreationDate(TDateTime(44000.0 + random() % 1000 + (random() % 1440) / 1440.0));
        item->SetCompletionDate(TDateTime(45000.0 + random() % 400));
        item->SetStatus(static_cast<TTodoStatus>(random() % 4));
        item->SetComplete(random() % 2);
        item->SetImageIndex(static_cast<int>(random() % 5));
        item->SetTotalTime(static_cast<int>(random() % 100));
        item->SetResource(people[random() % 6]);
        item->SetProject(std::string("Projekt ") + char('A' + random() % 20));
        TStringList notes;
        notes.Add("Notiz " + std::to_string(random() % 5000));
        notes.Add("zweite Zeile");
        item->SetNotes(&notes);
    }
}

void BM_TodoSort(benchmark::State& state) {
    const auto kind = static_cast<TTodoData>(state.range(0));
    const int n = 10000;
    // Made once for every kind: the same items, and a short run of all of them stays short.
    static TTodoItemCollection shuffled;
    if (shuffled.Count() == 0) Fill(shuffled, n);
    TTodoItemCollection items;
    for (auto _ : state) {
        state.PauseTiming();
        items.Clear();
        for (int i = 0; i < n; ++i) items.Add()->Assign(shuffled.Items(i));
        int selected = 0;
        state.ResumeTiming();
        items.Sort(kind, static_cast<TSortDirection>(state.range(1)), selected);
        benchmark::DoNotOptimize(selected);
    }
}

const char* const kKinds[] = {"Subject", "Completion", "Notes", "Priority", "DueDate", "Status", "Image",
                              "Complete", "TotalTime", "CompletionDate", "CreationDate", "Resource",
                              "Handle", "Project"};

void RegisterSorts() {
    for (int kind = tdSubject; kind <= tdProject; ++kind)
        benchmark::RegisterBenchmark((std::string("BM_TodoSort/") + kKinds[kind]).c_str(),
                                     BM_TodoSort)
            ->Args({kind, sdAscending})
            ->Unit(benchmark::kMillisecond);
}

[[maybe_unused]] const bool registered = (RegisterSorts(), true);

} // namespace
