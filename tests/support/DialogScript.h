#pragma once
// Answers the file dialogs that the code under test runs (header only: the
// tests that include it link the control library): each run gets the
// Qt dialog once its folder is listed, and a step that accepts or rejects it.
#include "e3/dialogs/FileDialogs.h"

#include <QAbstractItemModel>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QListView>
#include <QAbstractItemView>
#include <QItemSelectionModel>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace e3test {

using DialogStep = std::function<void(QFileDialog&)>;

class DialogScript {
public:
    // One step per expected run, in order; a run beyond them is rejected.
    explicit DialogScript(std::vector<DialogStep> steps) : steps_(std::move(steps))
    {
        auto hook = [this](QFileDialog& dialog) { Shown(dialog); };
        e3::TOpenDialog::DialogShownHook() = hook;
        e3::TBrowseDirectory::DialogShownHook() = hook;
    }
    ~DialogScript()
    {
        e3::TOpenDialog::DialogShownHook() = nullptr;
        e3::TBrowseDirectory::DialogShownHook() = nullptr;
    }
    DialogScript(const DialogScript&) = delete;
    DialogScript& operator=(const DialogScript&) = delete;

    int Runs() const { return runs_; }

private:
    void Shown(QFileDialog& dialog)
    {
        const size_t step = static_cast<size_t>(runs_++);
        auto loaded = std::make_shared<bool>(false);
        auto* model = dialog.findChild<QFileSystemModel*>();
        if (model)
            QObject::connect(model, &QFileSystemModel::directoryLoaded, &dialog, [loaded] { *loaded = true; });
        QTimer::singleShot(0, &dialog, [this, &dialog, step, loaded] {
            (void)QTest::qWaitFor([loaded] { return *loaded; }, 30000);
            if (step < steps_.size())
                steps_[step](dialog);
            else
                dialog.reject();
        });
        // Safety net only: a step that neither accepts nor rejects fails the
        // test instead of hanging it.
        QTimer::singleShot(120000, &dialog, [&dialog] {
            ADD_FAILURE() << "the dialog was left open";
            dialog.reject();
        });
    }

    std::vector<DialogStep> steps_;
    int runs_ = 0;
};

// The names the dialog lists as choosable in its current folder.
inline std::set<std::string> Listed(QFileDialog& dialog)
{
    std::set<std::string> names;
    auto* view = dialog.findChild<QListView*>("listView");
    if (!view || !view->model())
        return names;
    const QAbstractItemModel* model = view->model();
    const QModelIndex root = view->rootIndex();
    for (int r = 0; r < model->rowCount(root); ++r) {
        const QModelIndex index = model->index(r, 0, root);
        if (model->flags(index) & Qt::ItemIsEnabled)
            names.insert(index.data().toString().toStdString());
    }
    return names;
}

// Types names into the file name box ("a" "b" for several) and accepts.
inline void Choose(QFileDialog& dialog, const std::vector<std::string>& names)
{
    QString text;
    if (names.size() == 1) {
        text = QString::fromStdString(names.front());
    } else {
        for (const auto& n : names)
            text += "\"" + QString::fromStdString(n) + "\" ";
    }
    // What the views hold selected would win over the typed names.
    for (QAbstractItemView* view : dialog.findChildren<QAbstractItemView*>())
        if (view->selectionModel())
            view->selectionModel()->clearSelection();
    if (auto* edit = dialog.findChild<QLineEdit*>("fileNameEdit"))
        edit->setText(text);
    // QFileDialog hides accept(); through QDialog it is the same call.
    static_cast<QDialog&>(dialog).accept();
}

} // namespace e3test
