// Archive speed: storing and loading a document-sized graph of about 100,000
// small objects (a root, 1,000 measures of 100 notes, each note referring back
// to its measure), in memory and through a file. Opening a document is felt by
// users: loading must stay linear (constant-time lookup of indices) and writing
// must not cost a system call per field.
#include "platform/core/archive.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

class BmEvent : public CObject {
    DECLARE_SERIAL(BmEvent)
public:
    float time = 0;
    BYTE flags = 0;
    WORD voiceTrack = 0x7FFF;
    BmEvent* parent = nullptr;
    std::vector<BmEvent*> children;

    ~BmEvent() override {
        for (BmEvent* child : children)
            delete child;
    }
    void Serialize(CArchive& ar) override {
        if (ar.IsStoring()) {
            ar << flags << time << voiceTrack << parent;
            ar.WriteObjects(children);
        } else {
            ar >> flags >> time >> voiceTrack >> parent;
            ar.ReadObjects(children);
        }
    }
};
IMPLEMENT_SERIAL(BmEvent, CObject, VERSIONABLE_SCHEMA | 2)

constexpr int kMeasures = 1000;
constexpr int kNotes = 100;
constexpr int64_t kObjects = 1 + kMeasures + kMeasures * kNotes;

std::unique_ptr<BmEvent> MakeDocument() {
    auto root = std::make_unique<BmEvent>();
    for (int m = 0; m < kMeasures; ++m) {
        auto* measure = new BmEvent;
        measure->time = static_cast<float>(m * 4);
        measure->parent = root.get();
        for (int n = 0; n < kNotes; ++n) {
            auto* note = new BmEvent;
            note->time = measure->time + static_cast<float>(n) / kNotes;
            note->voiceTrack = static_cast<WORD>(n % 16);
            note->parent = measure;
            measure->children.push_back(note);
        }
        root->children.push_back(measure);
    }
    return root;
}

std::vector<uint8_t> StoreToMemory(const BmEvent& root) {
    CMemFile file(64 * 1024);
    CArchive ar(&file, CArchive::store);
    ar.SetStoreParams(2053, 128);
    ar << &root;
    ar.Close();
    return file.Detach();
}

void BM_StoreToMemory(benchmark::State& state) {
    const auto root = MakeDocument();
    size_t bytes = 0;
    for (auto _ : state) {
        bytes = StoreToMemory(*root).size();
        benchmark::DoNotOptimize(bytes);
    }
    state.SetItemsProcessed(state.iterations() * kObjects);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes));
}
BENCHMARK(BM_StoreToMemory)->Unit(benchmark::kMillisecond);

void BM_StoreToFile(benchmark::State& state) {
    const auto root = MakeDocument();
    const std::string path =
        (std::filesystem::temp_directory_path() / ("staffwright-archive-" + std::to_string(getpid()))).string();
    for (auto _ : state) {
        CFile file(path, CFile::modeCreate | CFile::modeWrite);
        CArchive ar(&file, CArchive::store);
        ar << root.get();
        ar.Close();
        file.Close();
    }
    CFile::Remove(path);
    state.SetItemsProcessed(state.iterations() * kObjects);
}
BENCHMARK(BM_StoreToFile)->Unit(benchmark::kMillisecond);

void BM_LoadFromMemory(benchmark::State& state) {
    const std::vector<uint8_t> bytes = StoreToMemory(*MakeDocument());
    for (auto _ : state) {
        CMemFile file(bytes);
        CArchive ar(&file, CArchive::load);
        ar.SetLoadParams(1024);
        BmEvent* root = nullptr;
        ar >> root;
        state.PauseTiming();
        delete root;
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kObjects);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_LoadFromMemory)->Unit(benchmark::kMillisecond);

}  // namespace
