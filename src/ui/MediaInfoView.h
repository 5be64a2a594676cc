#pragma once

#include "core/Records.h"

#include <QList>
#include <QListView>

namespace tolvane {

class MediaInfoListModel;

/// The shown row's media summary: one line per fact, the key in a narrow column and the value
/// beside it. The list is as high as all its rows and never scrolls itself: it sits in the panel's
/// scroll area, where a list scrolling of its own was left a sliver in a short window.
class MediaInfoView : public QListView {
public:
    explicit MediaInfoView(QWidget *parent);
    /// Shows `rows` in place of what was shown.
    void setRows(QList<MediaInfoRow> rows);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    MediaInfoListModel *m_model = nullptr;
};

} // namespace tolvane
