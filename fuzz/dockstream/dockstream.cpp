// Dock layouts from arbitrary bytes, loaded into a site that holds three named
// forms (one of them hidden). Loading must either refuse the stream or leave a
// tree that places, hit-tests, paints and saves without a fault.
#include "e3/dock/DockTree.h"
#include "framework/Form.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <memory>
#include <string>

// Fontconfig keeps a few blocks that it never frees and nothing points to once
// Qt has matched its first font; they are no fault of the code under test.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

namespace {

class Site : public fw::TWinControl {
public:
    explicit Site(fw::TComponent* owner) : fw::TWinControl(owner) { SetWidget(new QWidget); }
};

struct World {
    std::unique_ptr<QApplication> app;
    std::unique_ptr<fw::TCustomForm> window;
    Site* site = nullptr;
};

World& Instance()
{
    static World* world = [] {
        auto* w = new World;
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int argc = 1;
        static char name[] = "fuzz";
        static char* argv[] = {name, nullptr};
        w->app = std::make_unique<QApplication>(argc, argv);
        w->window = std::make_unique<fw::TCustomForm>(nullptr);
        w->site = new Site(w->window.get());
        w->site->SetName("Site");
        w->site->SetParent(w->window.get());
        w->site->SetBounds(0, 0, 300, 120);
        for (const char* formName : {"A", "B", "C"}) {
            auto* form = new fw::TCustomForm(w->window.get());
            form->SetName(formName);
        }
        return w;
    }();
    return *world;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    World& w = Instance();
    // Every input starts from the same site: the forms parked on the window.
    for (const char* formName : {"A", "B", "C"}) {
        auto* form = dynamic_cast<fw::TControl*>(w.window->FindComponent(formName));
        form->SetParent(nullptr);
        form->SetVisible(formName[0] != 'C');
    }
    e3::Tg3DockTree tree(*w.site);
    const std::string stream(reinterpret_cast<const char*>(data), size);
    try {
        tree.LoadFromStream(stream);
    } catch (const std::exception&) {
    }
    tree.ResetBounds(true);
    for (int32_t x = 0; x < 300; x += 37) {
        int32_t flag = 0;
        tree.HitTest({x, 5}, flag);
        tree.HitTest({x, 60}, flag);
    }
    QImage image(300, 120, QImage::Format_RGB32);
    {
        QPainter painter(&image);
        tree.PaintSite(painter);
    }
    std::string saved;
    tree.SaveToStream(saved);
    return 0;
}
