#include "project/gui/EditorForm.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>

#include "common/Functions.h"
#include "common/Version.h"
#include "common/gui/Controls.h"
#include "common/gui/EightBitText.h"
#include "common/gui/Look.h"
#include "common/gui/Platform.h"
#include "common/gui/Windows.h"
#include "project/WeirdPicture.h"

namespace zorv::gui {

// The hidden animation paints into this see-through layer over the window,
// so nothing of the window beneath is changed.
class AnimationOverlay : public QWidget {
 public:
  explicit AnimationOverlay(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
  }
  void Clear() {
    image_ = QImage();
    update();
  }
  void SetPixels(const std::vector<AnimationPixel>& pixels) {
    if (image_.size() != size()) {
      QImage grown(size(), QImage::Format_ARGB32_Premultiplied);
      grown.fill(Qt::transparent);
      if (!image_.isNull()) QPainter(&grown).drawImage(0, 0, image_);
      image_ = grown;
    }
    for (const auto& p : pixels)
      if (p.x >= 0 && p.y >= 0 && p.x < image_.width() && p.y < image_.height())
        image_.setPixel(p.x, p.y, qRgb(RedOf(p.colour), GreenOf(p.colour), BlueOf(p.colour)));
    update();
  }
  QRgb PixelAt(int x, int y) const {
    return image_.valid(x, y) ? image_.pixel(x, y) : 0;
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    if (!image_.isNull()) QPainter(this).drawImage(0, 0, image_);
  }

 private:
  QImage image_;
};

namespace {

// Eight civilisations, one per icon check box; the bit numbers are part of
// the package format.
constexpr std::array<const char*, 8> kCivilisations = {
    "Britons", "Franks", "Goths", "Teutons", "Japanese", "Chinese", "Byzantines", "Persians"};

QPushButton* Button(QWidget* parent, const char* name, const char* caption, double points,
                    QRect place) {
  return MakeButton(parent, name, caption, points, place);
}

QCheckBox* Check(QWidget* parent, const char* name, const char* caption, QRect place) {
  return MakeCheck(parent, name, caption, place);
}

QLabel* Label(QWidget* parent, const char* name, const char* caption, QRect place) {
  return MakeLabel(parent, name, caption, ArialFont(8.25), place);
}

// The icon box's picture before any icon is shown.
QPixmap PlaceholderPicture() {
  QPixmap picture(65, 65);
  picture.fill(Qt::black);
  QPainter painter(&picture);
  painter.setPen(QColor(128, 192, 255));
  painter.setFont(ArialFont(7));
  painter.drawText(QRect(0, 0, 65, 65), Qt::AlignCenter, "[image\npreview]");
  return picture;
}

}  // namespace

EditorForm::EditorForm(Windows& windows, SLXDocument& document)
    : windows_(windows), document_(document) {
  setObjectName("EditorForm");
  setWindowTitle(kMainWindowCaption);
  setWindowIcon(QIcon(":/zorv-mod-editor.png"));
  client_ = new QWidget(this);
  setAcceptDrops(true);
  StyleWindow(client_);
  setCentralWidget(client_);
  BuildMenus();
  BuildResourceControls();
  BuildPreviewControls();
  BuildIconControls();
  overlay_ = new AnimationOverlay(client_);
  weird_picture_timer_ = new QTimer(this);
  weird_picture_timer_->setObjectName("WeirdPictureTimer");
  weird_picture_timer_->setInterval(33);
  weird_picture_timer_->setProperty("tag", "0");
  connect(weird_picture_timer_, &QTimer::timeout, this, &EditorForm::AnimationTick);

  resize(Px(9480), Px(6510) + menuBar()->sizeHint().height());
  HidePerResourceControls();
  SetProjectCommandsEnabled(false);
  add_button_->setEnabled(false);
  remove_button_->setEnabled(false);
  move_buttons_[0]->setEnabled(false);
  move_buttons_[1]->setEnabled(false);
  LayOut();
}

EditorForm::~EditorForm() = default;

void EditorForm::BuildMenus() {
  auto add = [this](QMenu* menu, const char* name, const char* caption, auto slot) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    connect(action, &QAction::triggered, this, slot);
    return action;
  };
  QMenu* file = menuBar()->addMenu("File");
  file->setObjectName("menu_file");
  add(file, "menu_file_new", "New...", &EditorForm::NewProject)->setShortcut(Qt::CTRL | Qt::Key_N);
  add(file, "menu_file_open", "Open...", &EditorForm::OpenProject)
      ->setShortcut(Qt::CTRL | Qt::Key_O);
  add(file, "menu_file_save", "Save", [this] { SaveProject(); })->setShortcut(Qt::CTRL | Qt::Key_S);
  add(file, "menu_file_exit", "Exit", [this] { close(); })->setShortcut(Qt::CTRL | Qt::Key_Q);
  project_menu_ = menuBar()->addMenu("Project");
  project_menu_->setObjectName("menu_project");
  add(project_menu_, "menu_project_settings", "Project settings...",
      &EditorForm::ShowProjectSettings);
  add(project_menu_, "menu_project_compile", "Compile as MPI...", &EditorForm::CompileProject);
  QMenu* tools = menuBar()->addMenu("Tools");
  tools->setObjectName("menu_tools");
  add(tools, "menu_tools_createslx", "Create SLX from frames...", &EditorForm::ShowSLXFromFrames);
  add(tools, "menu_tools_browsearchive", "Browse game archive...", &EditorForm::ShowArchiveBrowser);
  QMenu* help = menuBar()->addMenu("Help");
  help->setObjectName("menu_help");
  add(help, "menu_help_help", "Extensive documentation and tutorials", &EditorForm::ShowHelp);
  add(help, "menu_help_about", "About", &EditorForm::ShowAbout);
  // The blank item on the menu bar itself: some empty space to click.
  QAction* weird = menuBar()->addAction("        ");
  weird->setObjectName("menu_weird_picture");
  connect(weird, &QAction::triggered, this, &EditorForm::ToggleAnimation);
}

QAction* EditorForm::MenuAction(const std::string& name) const {
  return findChild<QAction*>(ToQ(name));
}

void EditorForm::BuildResourceControls() {
  resource_list_ = new QListWidget(client_);
  resource_list_->setObjectName("ResourceListBox");
  StyleBox(resource_list_);
  resource_list_->setGeometry(TwipsRect(120, 120, 1935, 5340));
  connect(resource_list_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row >= 0) ResourceSelected();
  });
  shape1_ = new QFrame(client_);
  shape1_->setObjectName("Shape1");
  shape1_->setStyleSheet("QFrame#Shape1 { border: 2px solid white; border-radius: 8px; }");
  shape1_->setGeometry(TwipsRect(-120, 5190, 2355, 1215));
  shape1_->lower();
  move_buttons_[0] = Button(client_, "ResMoveButton(0)", "Move up", 6.75, TwipsRect(120, 5640, 975, 255));
  move_buttons_[1] = Button(client_, "ResMoveButton(1)", "Move down", 6.75, TwipsRect(1080, 5640, 975, 255));
  remove_button_ = Button(client_, "ResRemoveButton", "Remove", 6.75, TwipsRect(120, 6000, 975, 255));
  add_button_ = Button(client_, "ResAddButton", "Add new", 6.75, TwipsRect(1080, 6000, 975, 255));
  connect(move_buttons_[0], &QPushButton::clicked, this, [this] { MoveResource(0); });
  connect(move_buttons_[1], &QPushButton::clicked, this, [this] { MoveResource(1); });
  connect(remove_button_, &QPushButton::clicked, this, &EditorForm::RemoveResource);
  connect(add_button_, &QPushButton::clicked, this, &EditorForm::ImportResource);

  name_label_ = Label(client_, "ResourceNameLabel", "Name:", TwipsRect(2040, 120, 735, 255));
  name_label_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  name_box_ = new QLineEdit(client_);
  name_box_->setObjectName("ResourceNameBox");
  name_box_->setMaxLength(30);
  name_box_->setValidator(new EightBitValidator(name_box_));
  StyleBox(name_box_);
  name_box_->setGeometry(TwipsRect(2880, 120, 1815, 285));
  connect(name_box_, &QLineEdit::textChanged, this, &EditorForm::NameEdited);
  replace_label_ = Label(client_, "ResourceReplaceLabel", "Replace:", TwipsRect(4920, 120, 975, 255));
  replace_label_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  replace_combo_ = new QComboBox(client_);
  replace_combo_->setObjectName("ResourceReplaceCombo");
  StyleBox(replace_combo_);
  replace_combo_->setFont(TahomaFont());
  for (const char* target : ReplaceTargets) replace_combo_->addItem(target);
  replace_combo_->setGeometry(TwipsRect(6000, 90, 2055, 330));
  replace_combo_->installEventFilter(this);
  id_box_ = new QLineEdit(client_);
  id_box_->setObjectName("ResourceReplaceIDBox");
  id_box_->setMaxLength(6);
  StyleBox(id_box_);
  id_box_->setGeometry(TwipsRect(8160, 120, 855, 285));
  connect(id_box_, &QLineEdit::textEdited, this, &EditorForm::IdEdited);
  connect(id_box_, &QLineEdit::editingFinished, this, &EditorForm::IdLeft);
}

void EditorForm::BuildPreviewControls() {
  slp2slx_button_ = Button(client_, "SLP2SLXButton", "Convert to SLX", 9.75, TwipsRect(2880, 480, 2175, 375));
  sound_button_ = Button(client_, "SoundPlayButton", "Play sound", 9.75, TwipsRect(2880, 600, 2175, 375));
  auto_sound_check_ = Check(client_, "AutoSoundPlayCheck", "Auto-play", TwipsRect(5160, 600, 1215, 375));
  slx_display_button_ = Button(client_, "SLXDisplayButton", "Display graphic", 9.75, TwipsRect(2880, 720, 2175, 375));
  auto_slx_check_ = Check(client_, "AutoSLXDisplayCheck", "Auto-display", TwipsRect(5160, 720, 1215, 375));
  slx2slp_button_ = Button(client_, "SLX2SLPButton", "Convert to SLP", 9.75, TwipsRect(2880, 1200, 2175, 375));
  text_display_ = new QTextEdit(client_);
  text_display_->setObjectName("ResourceTextDisplay");
  text_display_->setAcceptRichText(false);
  StyleBox(text_display_);
  // Files dropped on the text view open or join the project like files
  // dropped anywhere else on the window, instead of pasting their names.
  text_display_->viewport()->installEventFilter(this);
  text_display_->setGeometry(TwipsRect(2880, 480, 6360, 4780));
  text_save_ = Button(client_, "ResourceTextSave", "Save changes", 9.75, TwipsRect(4920, 4800, 1695, 375));
  text_revert_ = Button(client_, "ResourceTextRevert", "Revert to original", 9.75, TwipsRect(6720, 4800, 1695, 375));
  text_save_->setEnabled(false);
  text_revert_->setEnabled(false);
  connect(slp2slx_button_, &QPushButton::clicked, this, &EditorForm::ConvertToSLX);
  connect(sound_button_, &QPushButton::clicked, this, &EditorForm::PlaySound);
  connect(slx_display_button_, &QPushButton::clicked, this, &EditorForm::DisplayGraphic);
  connect(slx2slp_button_, &QPushButton::clicked, this, &EditorForm::ConvertToSLP);
  connect(text_save_, &QPushButton::clicked, this, &EditorForm::SaveText);
  connect(text_revert_, &QPushButton::clicked, this, &EditorForm::RevertText);
  connect(text_display_, &QTextEdit::textChanged, this, [this] {
    if (loading_text_) return;
    text_save_->setEnabled(true);
    text_revert_->setEnabled(true);
  });
}

void EditorForm::BuildIconControls() {
  icon_list_ = new QComboBox(client_);
  icon_list_->setObjectName("IconList");
  StyleBox(icon_list_);
  for (const char* category : kIconCategories) icon_list_->addItem(category);
  icon_list_->setGeometry(TwipsRect(2880, 600, 1455, 360));
  connect(icon_list_, &QComboBox::activated, this, &EditorForm::IconControlClicked);
  for (int i = 0; i < 8; ++i) {
    std::string name = "IconCheck(" + std::to_string(i) + ")";
    icon_checks_[i] = Check(client_, name.c_str(), kCivilisations[i],
                            TwipsRect(2880, 1080 + 240 * i, 1455, 255));
    connect(icon_checks_[i], &QCheckBox::clicked, this, &EditorForm::IconControlClicked);
  }
  icon_zoom_button_ = Button(client_, "IconZoomButton", "Zoom image", 9.75, TwipsRect(4560, 1080, 1335, 255));
  connect(icon_zoom_button_, &QPushButton::clicked, this, &EditorForm::ZoomIcon);
  icon_picture_ = new QLabel(client_);
  icon_picture_->setObjectName("IconPictureBox");
  icon_picture_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  icon_picture_->setGeometry(TwipsRect(4560, 1440, 975, 975));
  icon_picture_->setPixmap(PlaceholderPicture());
}

void EditorForm::LayOut() {
  const int h = Twips(client_->height());
  const int w = Twips(client_->width());
  auto at_least = [](int value, int minimum) { return value > minimum ? value : minimum; };
  auto set_top = [](QWidget* widget, int top) { widget->move(widget->x(), Px(top)); };
  resource_list_->resize(resource_list_->width(), Px(at_least(h - 1110, 320)));
  const int text_left = Twips(text_display_->x());
  text_display_->resize(Px(at_least(w - text_left - 240, 640)), Px(at_least(h - 1730, 320)));
  text_revert_->move(Px(at_least(w - 1900, text_left)), Px(at_least(h - 1155, 640)));
  text_save_->move(Px(at_least(w - 3700, text_left)), Px(at_least(h - 1155, 640)));
  set_top(remove_button_, at_least(h - 540, 320));
  set_top(add_button_, at_least(h - 540, 320));
  set_top(shape1_, at_least(h - 1320, 320));
  set_top(move_buttons_[0], at_least(h - 840, 320));
  set_top(move_buttons_[1], at_least(h - 840, 320));
  overlay_->setGeometry(0, 0, client_->width(), client_->height());
  overlay_->raise();
}

void EditorForm::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  LayOut();
}

void EditorForm::SetProjectCommandsEnabled(bool enabled) {
  project_menu_->setEnabled(enabled);
  project_menu_->menuAction()->setEnabled(enabled);
  MenuAction("menu_file_save")->setEnabled(enabled);
}

bool EditorForm::ProjectOpen() const { return project_open_; }

void EditorForm::closeEvent(QCloseEvent* event) {
  if (MenuAction("menu_file_save")->isEnabled()) {
    MsgAnswer answer = CurrentPlatform().ShowMessage(
        Message{"Do you want to save any changes to this mod project?", "Save changes",
                MsgIcon::None, MsgButtons::YesNo, MsgAnswer::Yes});
    if (answer == MsgAnswer::Yes) SaveProject();
  }
  // The other windows go in a fixed order.
  windows_.CloseOtherWindows();
  weird_picture_timer_->stop();
  event->accept();
}

void EditorForm::ShowAbout() {
  CurrentPlatform().ShowMessage(Message{
      "Zorv Mod Editor by Brakmol (brakmol@zorv-mods.example) - buggy version!", "About",
      MsgIcon::Information, MsgButtons::OK, MsgAnswer::OK});
}

void EditorForm::ShowHelp() {
  CurrentPlatform().ShowMessage(Message{
      "For help on how to use this program, visit the Zorv Heaven forums "
      "(http://zorvheaven.example/forums)",
      "Help", MsgIcon::Information, MsgButtons::OK, MsgAnswer::OK});
}

void EditorForm::ToggleAnimation() {
  weird_picture_timer_->setProperty("tag", "0");
  if (weird_picture_timer_->isActive()) {
    weird_picture_timer_->stop();
  } else {
    weird_picture_timer_->start();
  }
}

int EditorForm::AnimationCounter() const {
  return LeadingNumberFloor(FromQ(weird_picture_timer_->property("tag").toString()));
}

bool EditorForm::AnimationRunning() const { return weird_picture_timer_->isActive(); }

void EditorForm::AnimationTick() {
  const int t = AnimationCounter();
  auto pixels = WeirdPictureTick(t);
  if (!pixels) {
    // The counter has run as far as 32-bit products reach.
    weird_picture_timer_->stop();
    return;
  }
  overlay_->SetPixels(*pixels);
  weird_picture_timer_->setProperty("tag", QString::number(t + 1));
}

QRgb EditorForm::AnimationPixel(int x, int y) const { return overlay_->PixelAt(x, y); }

}  // namespace zorv::gui
