#pragma once
// A test form of 600 x 400 holding a 400 x 300 draw grid.
#include "../TestContainer.h"
#include "e3/grids/DrawGrid.h"

#include <memory>

namespace e3test {

struct DrawGridForm {
    DrawGridForm(int32_t cols, int32_t rows)
        : form(std::make_unique<TestContainer>(nullptr))
    {
        form->SetBounds(0, 0, 600, 400);
        grid = new e3::Te3DrawGrid(form.get());
        grid->SetParent(form.get());
        grid->SetBounds(0, 0, 400, 300);
        grid->SetColCount(cols);
        grid->SetRowCount(rows);
    }

    std::unique_ptr<TestContainer> form;
    e3::Te3DrawGrid* grid = nullptr;
};

} // namespace e3test
