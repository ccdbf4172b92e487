// The hex editor over a full 4 MiB image (every byte stored): opening it and
// paging from the first row to the last, each page the key, the model and
// the repaint of both grids on the offscreen platform. Reports the time per
// page-down, the rows formatted against one screen per page, and the peak
// memory the open editor adds to the process.
#include "common/ScriptedOperator.h"
#include "image/HexEditModel.h"
#include "image/ui/HexEditor.h"
#include "image/ui/HexGrid.h"
#include "image/ui/OffsetDialog.h"

#include <QApplication>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QScrollBar>
#include <QStatusBar>
#include <QVBoxLayout>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <random>
#include <string>

namespace {

using namespace vorbrant;

// A line of /proc/self/status in kB (VmHWM: the peak resident size).
long StatusKb(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0)
            return std::stol(line.substr(key.size()));
    return -1;
}

QApplication& App()
{
    static int argc = 1;
    static char name[] = "ui_hex_editor";
    static char* argv[] = {name, nullptr};
    if (!std::getenv("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication* app = [] {
        auto* a = new QApplication(argc, argv);
        // What the program already shows when the editor opens: a main
        // window with a menu bar, labels and a status line. Its style and
        // fonts are paid for once per process, not by the editor.
        auto* window = new QMainWindow;
        window->menuBar()->addAction("&Edit");
        auto* client = new QWidget(window);
        auto* layout = new QVBoxLayout(client);
        auto* label = new QLabel("0123456789ABCDEF 00000 .,:;", client);
        QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        fixed.setPixelSize(12);
        label->setFont(fixed);
        layout->addWidget(label);
        layout->addWidget(new QScrollBar(Qt::Vertical, client));
        window->setCentralWidget(client);
        window->statusBar()->showMessage("Idle");
        window->resize(512, 390);
        window->show();
        QApplication::processEvents();
        return a;
    }();
    return *app;
}

// The offset dialog exists from start-up on; the editor only borrows it.
TForm3& JumpDialog()
{
    static ScriptedOperator op;
    static TForm3* dialog = new TForm3(op);
    return *dialog;
}

// The image with every address stored, made once.
ImageBuffer& FullImage()
{
    static std::unique_ptr<ImageBuffer> image = [] {
        auto buffer = std::make_unique<ImageBuffer>();
        std::mt19937 random(13);
        for (uint32_t a = 0; a < ImageBuffer::Capacity; ++a)
            buffer->StoreByte(a, static_cast<uint8_t>(random()));
        buffer->ImageSize = static_cast<int32_t>(ImageBuffer::Capacity);
        return buffer;
    }();
    return *image;
}

void PageDown(TEditor& editor)
{
    QKeyEvent key(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
    QApplication::sendEvent(editor.StringGrid1, &key);
    QApplication::processEvents();   // the grids repaint
}

// Opening the editor and paging through the whole image once. It runs first:
// the peak resident size of the process is its measure of memory.
void BM_HexEditorOpenAndPageToTheEnd(benchmark::State& state)
{
    App();
    ImageBuffer& image = FullImage();
    TForm3& jump = JumpDialog();
    for (auto _ : state) {
        ScriptedOperator op;
        const long peakBefore = StatusKb("VmHWM");
        auto editor = std::make_unique<TEditor>(image, op, jump, HexEditModel::StoreByteFn{}, HexEditModel::ClearFn{});
        editor->FormActivate();
        editor->show();
        QApplication::processEvents();
        int pages = 1;   // the first screen
        const auto start = std::chrono::steady_clock::now();
        while (editor->Model.TopRow() < HexEditModel::LastTopRow) {
            PageDown(*editor);
            ++pages;
        }
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const long peakAdded = StatusKb("VmHWM") - peakBefore;

        const uint64_t rows = editor->Model.RowsFormatted();
        const uint64_t limit = static_cast<uint64_t>(HexEditModel::VisibleRows) * static_cast<uint64_t>(pages);
        state.counters["pages"] = pages;
        state.counters["rows_formatted"] = static_cast<double>(rows);
        state.counters["rows_limit"] = static_cast<double>(limit);
        state.counters["ms_per_page"] = 1000.0 * seconds / (pages - 1);
        state.counters["peak_kB_added"] = static_cast<double>(peakAdded);
        if (rows > limit)
            state.SkipWithError("more rows formatted than one screen per page");
        if (editor->StringGrid1->CellText(HexEditModel::LastRow, 0) != "3FFFF0")
            state.SkipWithError("paging did not reach the last row");
    }
}
BENCHMARK(BM_HexEditorOpenAndPageToTheEnd)->Iterations(1)->Unit(benchmark::kMillisecond);

// One page-down at a time; at the last screen the editor goes back to the
// first row outside the timing.
void BM_HexEditorPageDown(benchmark::State& state)
{
    App();
    ImageBuffer& image = FullImage();
    ScriptedOperator op;
    TEditor editor(image, op, JumpDialog(), {}, {});
    editor.FormActivate();
    editor.show();
    QApplication::processEvents();
    const uint64_t before = editor.Model.RowsFormatted();
    for (auto _ : state) {
        if (editor.Model.TopRow() == HexEditModel::LastTopRow) {
            state.PauseTiming();
            editor.FormActivate();
            QApplication::processEvents();
            state.ResumeTiming();
        }
        PageDown(editor);
    }
    state.counters["rows_per_page"] =
        static_cast<double>(editor.Model.RowsFormatted() - before) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_HexEditorPageDown)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
