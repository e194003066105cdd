#include "app/ShellBrowserDialogWindow.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QStyle>

#include "app/Fonts.h"
#include "app/ShortenPath.h"
#include "app/SystemText.h"

namespace lw {
namespace {

constexpr int kClientWidth = 308;
constexpr int kClientHeight = 358;
constexpr int kMinimumOuterWidth = 250;
constexpr int kMinimumOuterHeight = 300;
constexpr int kMargin = 12;
constexpr int kPathBoxTop = 24;
constexpr int kPathBoxHeight = 21;
constexpr int kTreeTop = 56;
constexpr int kTreeBottomGap = 41;     // 358 - (56 + 261)
constexpr int kButtonsBottomGap = 35;  // 358 - 323
constexpr int kOkRightGap = 169;       // 308 - 139
constexpr int kCancelRightGap = 89;    // 308 - 219

}  // namespace

TcxShellTreeView::TcxShellTreeView(QWidget* parent) : QTreeView(parent) {
  setHeaderHidden(true);
  setUniformRowHeights(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setIndentation(19);
  // The selection stays highlighted while the tree has no focus.
  QPalette colours = palette();
  colours.setColor(QPalette::Inactive, QPalette::Highlight, colours.color(QPalette::Active, QPalette::Highlight));
  colours.setColor(QPalette::Inactive, QPalette::HighlightedText,
                   colours.color(QPalette::Active, QPalette::HighlightedText));
  setPalette(colours);
}

void TcxShellTreeView::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton) {
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid()) selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    event->accept();
    return;
  }
  QTreeView::mousePressEvent(event);
}

TcxShellBrowserDlg::TcxShellBrowserDlg(const FolderTreeOptions& options, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      model_(std::make_unique<FolderTreeModel>(options)) {
  setObjectName(QStringLiteral("ShellBrowserDlg"));
  setWindowTitle(QStringLiteral("Browse for Folder"));
  setFont(WindowFont());
  QPalette face = palette();
  face.setColor(QPalette::Window, face.color(QPalette::Button));
  setPalette(face);
  setAutoFillBackground(true);
  setSizeGripEnabled(false);  // the window's own grip below, sized like the scroll bars

  lblFolder = new QLabel(QStringLiteral("Current Folder"), this);
  lblFolder->setObjectName(QStringLiteral("lblFolder"));
  lblFolder->move(kMargin, 8);
  lblFolder->adjustSize();

  cxTeFolder = new QLineEdit(this);
  cxTeFolder->setObjectName(QStringLiteral("cxTeFolder"));
  cxTeFolder->setReadOnly(true);
  cxTeFolder->setAccessibleDescription(QStringLiteral("The selected folder's path, shortened to fit the box"));
  // The label names the path box for assistive technology, whatever caption it is given.
  lblFolder->setBuddy(cxTeFolder);

  cxStv = new TcxShellTreeView(this);
  cxStv->setObjectName(QStringLiteral("cxStv"));
  cxStv->setAccessibleName(QStringLiteral("Folders"));
  cxStv->setAccessibleDescription(QStringLiteral("The folders to choose the practice folder from"));
  cxStv->setModel(model_.get());
  connect(cxStv->selectionModel(), &QItemSelectionModel::selectionChanged, this, &TcxShellBrowserDlg::cxStvChange);

  cxButton1 = new QPushButton(QStringLiteral("OK"), this);
  cxButton1->setObjectName(QStringLiteral("cxButton1"));
  cxButton1->setAccessibleDescription(QStringLiteral("Use the selected folder"));
  cxButton1->setDefault(true);
  connect(cxButton1, &QPushButton::clicked, this, [this] { done(1); });

  cxButton2 = new QPushButton(QStringLiteral("Cancel"), this);
  cxButton2->setObjectName(QStringLiteral("cxButton2"));
  cxButton2->setAccessibleDescription(QStringLiteral("Close without choosing a folder"));
  connect(cxButton2, &QPushButton::clicked, this, [this] { done(2); });

  sizeGrip = new QSizeGrip(this);
  sizeGrip->setObjectName(QStringLiteral("sizeGrip"));

  QWidget::setTabOrder(cxStv, cxTeFolder);
  QWidget::setTabOrder(cxTeFolder, cxButton1);
  QWidget::setTabOrder(cxButton1, cxButton2);

  FormCreate();
  resize(kClientWidth, kClientHeight);
  FormResize();
}

TcxShellBrowserDlg::~TcxShellBrowserDlg() {
  // The view goes before the model it shows.
  delete cxStv;
  cxStv = nullptr;
}

void TcxShellBrowserDlg::FormCreate() {
  // No caption icon: an empty icon would fall back to the program's, so a blank one is set.
  QPixmap blank(16, 16);
  blank.fill(Qt::transparent);
  setWindowIcon(QIcon(blank));
  // The grip is as wide as a vertical scroll bar and as high as a horizontal one.
  gripWidth_ = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
  gripHeight_ = gripWidth_;
}

void TcxShellBrowserDlg::FormResize() {
  const int w = width();
  const int h = height();
  cxTeFolder->setGeometry(kMargin, kPathBoxTop, w - 2 * kMargin, kPathBoxHeight);
  cxStv->setGeometry(kMargin, kTreeTop, w - 2 * kMargin, h - kTreeTop - kTreeBottomGap);
  cxButton1->setGeometry(w - kOkRightGap, h - kButtonsBottomGap, 75, 25);
  cxButton2->setGeometry(w - kCancelRightGap, h - kButtonsBottomGap, 75, 25);
  sizeGrip->setGeometry(w - gripWidth_, h - gripHeight_, gripWidth_, gripHeight_);
  sizeGrip->raise();
  cxStvChange();
}

void TcxShellBrowserDlg::cxStvChange() {
  if (cxTeFolder == nullptr || cxStv == nullptr) return;
  // The width the text is drawn in: the box less its frame and the line edit's own margins, so
  // the shortened path is never cut off at the box's edge.
  const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, cxTeFolder);
  const int available = cxTeFolder->width() - 2 * frame - 4;
  const QFontMetrics metrics(font());
  const std::string shown = ShortenPathToWidth(SelectedPath(), available, [&metrics](const std::string& text) {
    return metrics.horizontalAdvance(FromSystemText(text));
  });
  cxTeFolder->setText(FromSystemText(shown));
  cxTeFolder->setCursorPosition(0);
}

void TcxShellBrowserDlg::SetInitialPath(const std::string& path) {
  const QModelIndex target = model_->Locate(model_->Resolve(path));
  if (!target.isValid()) return;
  for (QModelIndex up = target.parent(); up.isValid(); up = up.parent()) cxStv->expand(up);
  cxStv->selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect);
  cxStv->scrollTo(target);
}

std::string TcxShellBrowserDlg::SelectedPath() const {
  if (cxStv == nullptr) return {};
  const QModelIndexList selected = cxStv->selectionModel()->selectedIndexes();
  return selected.isEmpty() ? std::string() : model_->PathOf(selected.front());
}

void TcxShellBrowserDlg::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  FormResize();
}

void TcxShellBrowserDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // The limit is on the outer size; the frame is known only once the window is shown.
  const QSize frame = frameGeometry().size() - geometry().size();
  setMinimumSize(kMinimumOuterWidth - frame.width(), kMinimumOuterHeight - frame.height());
  if (QScreen* screen = this->screen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
  }
  cxStv->setFocus(Qt::OtherFocusReason);
  // The tree takes the focus on opening, and a tree taking the focus selects its first item
  // when it has no selection.
  if (!cxStv->selectionModel()->hasSelection()) {
    cxStv->selectionModel()->setCurrentIndex(model_->RootIndex(), QItemSelectionModel::ClearAndSelect);
  }
}

void TcxShellBrowserDlg::keyPressEvent(QKeyEvent* event) {
  // No key is bound to Cancel: Escape does not close the window.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace lw
