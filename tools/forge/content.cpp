// content.cpp -- the content set and the few-thread loop the generators share.
#include "content.h"

#include <algorithm>
#include <atomic>
#include <stdexcept>
#include <thread>

namespace forge {

void ContentSet::Add(std::string name, std::vector<uint8_t> bytes) {
    if (Find(name)) throw std::logic_error("content added twice: " + name);
    files_.push_back({std::move(name), std::move(bytes)});
}

void ContentSet::AddJpeg(std::string name, const Image& image, const JpegSettings& settings) {
    VectorSink sink;
    if (!WriteJpeg(sink, image, settings)) throw std::runtime_error("JPEG encoder failed on " + name);
    Add(std::move(name), std::move(sink.bytes));
}

void ContentSet::AddTga(std::string name, const Image& image, TgaRows rows) {
    VectorSink sink;
    WriteTga(sink, image, rows);
    Add(std::move(name), std::move(sink.bytes));
}

void ContentSet::AddPreview(std::string name, Image image) { previews_.push_back({std::move(name), std::move(image)}); }

const ContentFile* ContentSet::Find(const std::string& name) const {
    for (const ContentFile& f : files_)
        if (f.name == name) return &f;
    return nullptr;
}

void ParallelFor(int count, const std::function<void(int)>& body) {
    unsigned threads = std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
    std::atomic<int> next{0};
    auto worker = [&] {
        for (int i = next.fetch_add(1); i < count; i = next.fetch_add(1)) body(i);
    };
    std::vector<std::thread> pool;
    for (unsigned t = 1; t < threads; ++t) pool.emplace_back(worker);
    worker();
    for (std::thread& t : pool) t.join();
}

std::string DiskPath(const std::string& tableName) {
    std::string p = tableName;
    std::replace(p.begin(), p.end(), '\\', '/');
    return p;
}

}  // namespace forge
