#include "source/ui/PrintJobNavigator.h"

#include "history/ChangeHistory.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/IniFile.h"
#include "platform/Messages.h"
#include "platform/ui/WindowPlacement.h"
#include "source/SourceRecords.h"
#include "widgets/Glyphs.h"

#include <QAction>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QHash>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <optional>

namespace {

constexpr int kImageRole = Qt::UserRole;
constexpr int kStateRole = Qt::UserRole + 1;
constexpr int kIdRole = Qt::UserRole + 2;
constexpr int kNoImage = -1;

const QString kHelpFile = QStringLiteral("Listora.hlp");
const QString kNavigatorSection = QStringLiteral("NAVIGATOR");

// The state picture sits left of the node picture, as in the classic tree
// view; an absent picture leaves its slot empty so captions stay aligned.
QIcon composeIcon(int image, int stateImage) {
    static QHash<QPair<int, int>, QIcon> made;
    const QPair<int, int> key(image, stateImage);
    if (const auto found = made.constFind(key); found != made.constEnd()) return *found;
    const int s = kNavigatorImageSize;
    QIcon icon;
    for (int scale : kPictureScales) {
        QPixmap pm(QSize(2 * s + 2, s) * scale);
        pm.setDevicePixelRatio(scale);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        const QList<QPixmap>& images = navigatorImages(scale);
        if (stateImage >= 0 && stateImage < images.size()) p.drawPixmap(0, 0, images[stateImage]);
        if (image >= 0 && image < images.size()) p.drawPixmap(s + 2, 0, images[image]);
        p.end();
        icon.addPixmap(pm);
    }
    made.insert(key, icon);
    return icon;
}

Qt::CheckState markState(int marked, int total) {
    if (marked == 0) return Qt::Unchecked;
    return marked == total ? Qt::Checked : Qt::PartiallyChecked;
}

QLabel* panelLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setAlignment(Qt::AlignCenter);
    label->setMinimumHeight(25);
    return label;
}

// The revision to compare with; nothing when the user cancels.
std::optional<TChangeRequest> askRevision(QWidget* parent) {
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Mark Changed Since"));
    auto* revision = new QLineEdit(QStringLiteral("HEAD"), &dialog);
    revision->selectAll();
    auto* ignoreSpace =
        new QCheckBox(QStringLiteral("&Ignore changes in the amount of white space"), &dialog);
    auto* hint = new QLabel(QStringLiteral("A git revision: HEAD marks the work not yet "
                                           "committed; HEAD~3, a tag or a commit go further "
                                           "back."),
                            &dialog);
    hint->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* form = new QFormLayout(&dialog);
    form->addRow(QStringLiteral("&Revision:"), revision);
    form->addRow(ignoreSpace);
    form->addRow(hint);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    TChangeRequest request;
    request.From = revision->text().trimmed();
    if (request.From.isEmpty()) request.From = QStringLiteral("HEAD");
    request.IgnoreSpace = ignoreSpace->isChecked();
    return request;
}

} // namespace

TFrmVBPrintJ::TFrmVBPrintJ(QWidget* owner) : QDialog(owner) {
    // Short enough for the window system to show whole beside its buttons.
    setWindowTitle(QStringLiteral("Project Navigator"));
    QFont bold(QStringLiteral("Arial"));
    bold.setBold(true);
    setFont(bold);
    resize(400, 469);

    auto* top = new QFrame(this);
    top->setFrameStyle(QFrame::Panel | QFrame::Raised);
    auto* topLayout = new QVBoxLayout(top);
    topLayout->setContentsMargins(6, 4, 6, 4);
    auto* intro = new QLabel(
        QStringLiteral("Choose complete files or selected functions to be printed.  Use the "
                       "outline to navigate through your project. To select a File/Function to "
                       "print, click on the function name and a printer will appear next to the "
                       "function. "),
        top);
    auto* unselect =
        new QLabel(QStringLiteral("To Unselect a Function, just click on it again to toggle the "
                                  "print icon. Space does the same for the current line; a "
                                  "file or the project marks (or unmarks) everything in it."),
                   top);
    for (QLabel* label : {intro, unselect}) {
        label->setWordWrap(true);
        topLayout->addWidget(label);
    }
    QFont plain = font();
    plain.setBold(false);
    intro->setFont(plain);
    unselect->setFont(plain);

    tvSource = new QTreeWidget(this);
    tvSource->setHeaderHidden(true);
    tvSource->setIndentation(21);
    tvSource->setIconSize(QSize(2 * kNavigatorImageSize + 2, kNavigatorImageSize));
    tvSource->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tvSource->setContextMenuPolicy(Qt::CustomContextMenu);
    tvSource->installEventFilter(this);
    connect(tvSource, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
        tvSource->setCurrentItem(item);
        tvSourceClick();
    });

    PopupMenu = new QMenu(this);
    MarkAll1 = PopupMenu->addAction(QStringLiteral("Mark All"), this, &TFrmVBPrintJ::MarkAll1Click);
    UnmarkAll1 =
        PopupMenu->addAction(QStringLiteral("Unmark All"), this, &TFrmVBPrintJ::UnmarkAll1Click);
    PopupMenu->addSeparator();
    Help1 = PopupMenu->addAction(QStringLiteral("Help"), this, &TFrmVBPrintJ::btnHelpClick);
    connect(tvSource, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        PopupMenu->popup(tvSource->viewport()->mapToGlobal(pos));
    });

    auto* bottom = new QFrame(this);
    bottom->setFrameStyle(QFrame::Panel | QFrame::Raised);
    auto* bottomLayout = new QHBoxLayout(bottom);
    bottomLayout->setContentsMargins(6, 5, 6, 5);
    auto* caption = panelLabel(QStringLiteral("Total Selected"), bottom);
    caption->setMinimumWidth(110);
    pnlSelected = panelLabel(QStringLiteral("0"), bottom);
    pnlSelected->setMinimumWidth(50);
    cmdOK = new QPushButton(QStringLiteral("OK"), bottom);
    cmdOK->setDefault(true);
    btnHelp = new QPushButton(QStringLiteral("Help"), bottom);
    btnMarkAll = new QPushButton(QStringLiteral("Mark All"), bottom);
    btnUnmarkAll = new QPushButton(QStringLiteral("Unmark All"), bottom);
    btnCancel = new QPushButton(QStringLiteral("Cancel"), bottom);
    btnMarkChanged = new QPushButton(QStringLiteral("Mark Changed Since..."), bottom);
    btnMarkChanged->hide();
    connect(btnMarkChanged, &QPushButton::clicked, this, &TFrmVBPrintJ::btnMarkChangedClick);
    connect(cmdOK, &QPushButton::clicked, this, &TFrmVBPrintJ::cmdOKClick);
    connect(btnHelp, &QPushButton::clicked, this, &TFrmVBPrintJ::btnHelpClick);
    connect(btnMarkAll, &QPushButton::clicked, this, &TFrmVBPrintJ::MarkAll1Click);
    connect(btnUnmarkAll, &QPushButton::clicked, this, &TFrmVBPrintJ::UnmarkAll1Click);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* counter = new QHBoxLayout;
    counter->addWidget(caption);
    counter->addWidget(pnlSelected);
    counter->addStretch();
    counter->addWidget(btnMarkChanged);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnMarkAll);
    buttons->addWidget(btnUnmarkAll);
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(btnCancel);
    buttons->addWidget(btnHelp);
    // Tab follows the screen: the outline, then the buttons left to right.
    setTabOrder(tvSource, btnMarkChanged);
    setTabOrder(btnMarkChanged, btnMarkAll);
    setTabOrder(btnMarkAll, btnUnmarkAll);
    setTabOrder(btnUnmarkAll, cmdOK);
    setTabOrder(cmdOK, btnCancel);
    setTabOrder(btnCancel, btnHelp);
    auto* rows = new QVBoxLayout;
    rows->setContentsMargins(0, 0, 0, 0);
    rows->addLayout(counter);
    rows->addLayout(buttons);
    bottomLayout->addLayout(rows);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(top);
    layout->addWidget(tvSource, 1);
    layout->addWidget(bottom);

    tmrAnim.setInterval(333);
    connect(&tmrAnim, &QTimer::timeout, this, &TFrmVBPrintJ::tmrAnimTimer);
}

TFrmVBPrintJ::~TFrmVBPrintJ() = default;

void TFrmVBPrintJ::clear() {
    tvSource->clear();
    nodes_.clear();
    data_.clear();
}

void TFrmVBPrintJ::beginUpdate() {
    tvSource->setUpdatesEnabled(false);
}

void TFrmVBPrintJ::endUpdate() {
    // What Cancel goes back to.
    rememberMarks();
    refreshChecks();
    tvSource->setUpdatesEnabled(true);
    if (QTreeWidgetItem* root = RootNode()) {
        root->setExpanded(true);
        tvSource->setCurrentItem(root);
    }
}

ISourceTree::NodeId TFrmVBPrintJ::addNode(NodeId parent, const QString& caption,
                                          TSourceNodeData data, int image, int stateImage) {
    QTreeWidgetItem* item = nullptr;
    if (parent == kNoNode)
        item = new QTreeWidgetItem(tvSource);
    else
        item = new QTreeWidgetItem(Node(parent));
    const NodeId id = NodeId(nodes_.size());
    nodes_.push_back(item);
    data_.push_back(data);
    item->setText(0, caption);
    item->setData(0, kIdRole, id);
    // The check only shows the marks; clicks and keys change them here.
    item->setFlags(item->flags() & ~Qt::ItemIsUserCheckable);
    setImages(item, image, stateImage);
    return id;
}

QTreeWidgetItem* TFrmVBPrintJ::Node(NodeId id) const {
    return id >= 0 && size_t(id) < nodes_.size() ? nodes_[size_t(id)] : nullptr;
}

QTreeWidgetItem* TFrmVBPrintJ::RootNode() const {
    return tvSource->topLevelItem(0);
}

int TFrmVBPrintJ::ImageOf(const QTreeWidgetItem* item) {
    return item->data(0, kImageRole).toInt();
}

int TFrmVBPrintJ::StateImageOf(const QTreeWidgetItem* item) {
    return item->data(0, kStateRole).toInt();
}

TSourceNodeData TFrmVBPrintJ::DataOf(const QTreeWidgetItem* item) const {
    const QVariant id = item->data(0, kIdRole);
    if (!id.isValid()) return {};
    return data_[size_t(id.toInt())];
}

void TFrmVBPrintJ::setImages(QTreeWidgetItem* item, int image, int stateImage) {
    item->setData(0, kImageRole, image);
    item->setData(0, kStateRole, stateImage);
    // The check boxes tell what is marked; the blank "unmarked" picture
    // beside them would look like a second, dead box, so only the printer
    // of a marked section (and the root's animation) is drawn.
    const bool file = image == siForm || image == siModule || image == siOtherFile;
    item->setIcon(0, composeIcon(image, file || stateImage == siUnmarked ? kNoImage : stateImage));
}

int TFrmVBPrintJ::SelectedCount() const {
    return pnlSelected->text().toInt();
}

void TFrmVBPrintJ::SetSelectedCount(int count) {
    pnlSelected->setText(QString::number(count));
}

void TFrmVBPrintJ::addToCount(int delta) {
    SetSelectedCount(SelectedCount() + delta);
}

bool TFrmVBPrintJ::isFileNode(const QTreeWidgetItem* item) const {
    const int image = ImageOf(item);
    return item != RootNode() && (image == siForm || image == siModule || image == siOtherFile);
}

void TFrmVBPrintJ::setSectionMark(QTreeWidgetItem* item, bool mark) {
    setImages(item, ImageOf(item), mark ? siMarked : siUnmarked);
    if (RFunction* section = DataOf(item).Section) section->Marked = mark ? 1 : 0;
}

int TFrmVBPrintJ::setChildMarks(QTreeWidgetItem* fileNode, bool mark) {
    const int from = mark ? siUnmarked : siMarked;
    int changed = 0;
    for (int i = 0; i < fileNode->childCount(); ++i) {
        QTreeWidgetItem* child = fileNode->child(i);
        if (StateImageOf(child) != from) continue;
        setSectionMark(child, mark);
        ++changed;
    }
    return changed;
}

void TFrmVBPrintJ::refreshChecks() {
    QTreeWidgetItem* root = RootNode();
    if (!root) return;
    int projectMarked = 0;
    int projectTotal = 0;
    for (int i = 0; i < root->childCount(); ++i) {
        QTreeWidgetItem* file = root->child(i);
        int marked = 0;
        for (int j = 0; j < file->childCount(); ++j) {
            QTreeWidgetItem* child = file->child(j);
            const bool on = StateImageOf(child) == siMarked;
            child->setCheckState(0, on ? Qt::Checked : Qt::Unchecked);
            marked += on;
        }
        file->setCheckState(0, markState(marked, file->childCount()));
        projectMarked += marked;
        projectTotal += file->childCount();
    }
    root->setCheckState(0, markState(projectMarked, projectTotal));
}

void TFrmVBPrintJ::tvSourceClick() {
    QTreeWidgetItem* item = tvSource->currentItem();
    if (!item) return;
    if (item == RootNode()) {
        // The whole project, as its check shows it: all marked unmarks.
        if (item->checkState(0) == Qt::Checked)
            UnmarkAll1Click();
        else
            MarkAll1Click();
        return;
    }
    if (ImageOf(item) == siSection) {
        const bool mark = StateImageOf(item) == siUnmarked;
        setSectionMark(item, mark);
        addToCount(mark ? 1 : -1);
        refreshChecks();
        return;
    }
    if (!isFileNode(item)) return;
    RFile* file = DataOf(item).File;
    if (!file) return;
    // What the check shows decides: a fully marked file is unmarked,
    // anything else gets its remaining sections marked.
    const bool mark =
        item->childCount() == 0 ? file->Marked == 0 : item->checkState(0) != Qt::Checked;
    if (mark)
        addToCount(setChildMarks(item, true));
    else
        addToCount(-setChildMarks(item, false));
    file->Marked = mark ? 1 : 0;
    refreshChecks();
}

void TFrmVBPrintJ::tvSourceKeyDown(int key) {
    QTreeWidgetItem* item = tvSource->currentItem();
    if (!item || item == RootNode()) return;
    const bool insert = key == Qt::Key_Insert;
    if (!insert && key != Qt::Key_Delete) return;
    const int from = insert ? siUnmarked : siMarked;
    if (StateImageOf(item) != from) return;
    setImages(item, ImageOf(item), insert ? siMarked : siUnmarked);
    const TSourceNodeData data = DataOf(item);
    if (data.Section) {
        data.Section->Marked = insert ? 1 : 0;
        addToCount(insert ? 1 : -1);
    } else if (data.File) {
        data.File->Marked = insert ? 1 : 0;
    }
    refreshChecks();
}

void TFrmVBPrintJ::MarkAll1Click() {
    QTreeWidgetItem* root = RootNode();
    if (!root) return;
    for (int i = 0; i < root->childCount(); ++i)
        addToCount(setChildMarks(root->child(i), true));
    refreshChecks();
}

void TFrmVBPrintJ::UnmarkAll1Click() {
    QTreeWidgetItem* root = RootNode();
    if (!root) return;
    for (int i = 0; i < root->childCount(); ++i)
        addToCount(-setChildMarks(root->child(i), false));
    refreshChecks();
}

void TFrmVBPrintJ::cmdOKClick() {
    if (SelectedCount() == 0) {
        // A listing of nothing would be one blank page.
        messages().show(TMessageKind::Information, windowTitle(),
                        QStringLiteral("Nothing is marked for printing yet. Click a file or "
                                       "procedure (or press Space on it) to mark it, or use "
                                       "Mark All."));
        return;
    }
    hide();
    accept();
}

void TFrmVBPrintJ::SetChangeSource(TSourceMgt* sources, const QString& projectPath) {
    changeSources_ = sources;
    changeProject_ = projectPath;
    btnMarkChanged->setVisible(sources != nullptr);
}

void TFrmVBPrintJ::btnMarkChangedClick() {
    if (const std::optional<TChangeRequest> request = askRevision(this)) MarkChangedSince(*request);
}

bool TFrmVBPrintJ::MarkChangedSince(const TChangeRequest& request) {
    if (!changeSources_) return false;
    try {
        auto changes = std::make_unique<TChangeHistory>(changeProject_, request);
        changes->Mark(*changeSources_, true);
        changes_ = std::move(changes);
    } catch (const TListoraError& e) {
        // Not a work tree, an unknown revision: the marks are untouched.
        messages().show(TMessageKind::Error, windowTitle(), e.message());
        return false;
    }
    // The tree shows what the history marked in the records.
    int marked = 0;
    for (QTreeWidgetItem* item : nodes_) {
        const TSourceNodeData data = DataOf(item);
        if (data.Section) {
            setImages(item, ImageOf(item), data.Section->Marked ? siMarked : siUnmarked);
            marked += data.Section->Marked ? 1 : 0;
        } else if (data.File && isFileNode(item)) {
            setImages(item, ImageOf(item), data.File->Marked ? siMarked : siUnmarked);
        }
    }
    SetSelectedCount(marked);
    refreshChecks();
    return true;
}

std::unique_ptr<TChangeHistory> TFrmVBPrintJ::TakeChanges() {
    return std::move(changes_);
}

void TFrmVBPrintJ::btnHelpClick() {
    helpViewer().showContext(kHelpFile, kHelpContext);
}

void TFrmVBPrintJ::tmrAnimTimer() {
    QTreeWidgetItem* root = RootNode();
    if (animCounter_ > 10) {
        animCounter_ = 7;
        return;
    }
    if (root) setImages(root, kNoImage, animCounter_);
    ++animCounter_;
}

void TFrmVBPrintJ::showEvent(QShowEvent* event) {
    if (!placed_) {
        placed_ = true;
        // The size the user gave it last time.
        const TIniFile ini;
        const int width = ini.readInteger(kNavigatorSection, QStringLiteral("Width"), -1);
        const int height = ini.readInteger(kNavigatorSection, QStringLiteral("Height"), -1);
        if (width > 0 && height > 0) resize(QSize(width, height).expandedTo(minimumSizeHint()));
        // 469 pixels high does not fit every screen at every scale.
        fitOnScreen(*this);
    }
    QDialog::showEvent(event);
}

void TFrmVBPrintJ::done(int result) {
    if (result == QDialog::Rejected) restoreMarks();
    try {
        TIniFile ini;
        ini.beginBatch();
        ini.writeInteger(kNavigatorSection, QStringLiteral("Width"), width());
        ini.writeInteger(kNavigatorSection, QStringLiteral("Height"), height());
        ini.commitBatch();
    } catch (const std::exception&) {
        // Only the size of the next opening is lost.
    }
    QDialog::done(result);
}

void TFrmVBPrintJ::rememberMarks() {
    openingMarks_.clear();
    for (const TSourceNodeData& data : data_)
        openingMarks_.push_back({data, data.Section ? data.Section->Marked
                                       : data.File  ? data.File->Marked
                                                    : 0});
}

void TFrmVBPrintJ::restoreMarks() {
    for (const auto& [data, marked] : openingMarks_) {
        if (data.Section)
            data.Section->Marked = quint8(marked);
        else if (data.File)
            data.File->Marked = quint8(marked);
    }
}

bool TFrmVBPrintJ::eventFilter(QObject* watched, QEvent* event) {
    if (watched == tvSource && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Insert || key == Qt::Key_Delete) {
            tvSourceKeyDown(key);
            return true;
        }
        if (key == Qt::Key_Space) {
            tvSourceClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
