#include "transceiver/fenetres/TRADUCTEUR_EDITEUR.h"

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTextBlock>
#include <QTimer>

#include "shell/fenetres/OutilsQt.h"

namespace vestral {

namespace {

constexpr int kLargeur_image = 313;
constexpr int kHauteur_image = 225;

QColor Couleur_qt(CouleurSpectre couleur) {
  switch (couleur) {
    case CouleurSpectre::Blanc:
      return Qt::white;
    case CouleurSpectre::Bleu:
      return Qt::blue;
    case CouleurSpectre::Rouge:
      return Qt::red;
    case CouleurSpectre::Aqua:
      return Qt::cyan;
    case CouleurSpectre::Lime:
      return Qt::green;
  }
  return Qt::white;
}

QString Nom_qt(std::string_view nom) {
  return QString::fromLatin1(nom.data(), static_cast<qsizetype>(nom.size()));
}

QGroupBox* Groupe(QWidget* parent, const char* nom, const char* legende, int gauche, int haut,
                  int largeur, int hauteur) {
  auto* g = new QGroupBox(QString::fromUtf8(legende), parent);
  if (nom[0] != '\0') g->setObjectName(QString::fromLatin1(nom));
  Placer(g, gauche, haut, largeur, hauteur);
  return g;
}

QLabel* Etiquette_qt(QWidget* parent, const char* nom, const char* texte, int gauche, int haut,
                     int largeur, int hauteur, const char* fond = nullptr) {
  auto* l = new QLabel(QString::fromUtf8(texte), parent);
  l->setObjectName(QString::fromLatin1(nom));
  l->setAlignment(Qt::AlignCenter);
  if (fond) l->setStyleSheet(QStringLiteral("background-color: %1;").arg(QLatin1String(fond)));
  Placer(l, gauche, haut, largeur, hauteur);
  return l;
}

QPushButton* Bouton(QWidget* parent, const char* nom, const char* legende, int gauche, int haut,
                    int largeur, int hauteur) {
  auto* b = new QPushButton(QString::fromUtf8(legende), parent);
  b->setObjectName(QString::fromLatin1(nom));
  b->setAutoDefault(false);
  Placer(b, gauche, haut, largeur, hauteur);
  return b;
}

// The byte a key gives in the editor: Enter is CR, Backspace 8; 0 for a key
// that gives no single character.
uint8_t Octet_de_touche(const QKeyEvent* evenement) {
  switch (evenement->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return 13;
    case Qt::Key_Backspace:
      return 8;
    default:
      break;
  }
  const std::string octets = Depuis_qt(evenement->text());
  return octets.size() == 1 ? static_cast<uint8_t>(octets[0]) : 0;
}

}  // namespace

// ------------------------------------------------------------- spectrum

ImageSpectre::ImageSpectre(int largeur, int hauteur, QWidget* parent)
    : QWidget(parent), image_(largeur, hauteur, QImage::Format_RGB32) {
  image_.fill(Qt::white);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

int ImageSpectre::Ecrire(int x, int y, const std::string& texte, const QFont& police) {
  QPainter peintre(&image_);
  peintre.setFont(police);
  peintre.setPen(Qt::blue);
  peintre.setBackgroundMode(Qt::OpaqueMode);
  peintre.setBackground(Qt::green);
  const QFontMetrics mesures(police);
  peintre.drawText(x, y + mesures.ascent(), Vers_qt(texte));
  return mesures.height();
}

int ImageSpectre::Ecrire_titre(int x, int y, const std::string& texte) {
  return Ecrire(x, y, texte, Police_ms_sans_serif(35, true));  // 26 points
}

int ImageSpectre::Ecrire_echelle(int x, int y, const std::string& texte) {
  // The scale line's spaces place each label over its grid line: the
  // characters must all have the same width, about a 313-pixel image's 60th.
  QFont police(QStringLiteral("DejaVu Sans Mono"));
  police.setStyleHint(QFont::TypeWriter);
  police.setPixelSize(9);
  police.setLetterSpacing(QFont::AbsoluteSpacing, -0.2);
  return Ecrire(x, y, texte, police);
}

void ImageSpectre::Remplir(int gauche, int haut, int droite, int bas, CouleurSpectre couleur) {
  QPainter(&image_).fillRect(QRect(gauche, haut, droite - gauche, bas - haut), Couleur_qt(couleur));
}

void ImageSpectre::Ligne_pointillee(int x0, int y0, int x1, int y1) {
  QPainter peintre(&image_);
  peintre.setPen(QPen(Qt::blue, 0, Qt::DotLine));
  peintre.drawLine(x0, y0, x1, y1);
}

void ImageSpectre::Polyligne(std::span<const PointSpectre> points, CouleurSpectre couleur) {
  if (points.empty()) return;
  QPolygon polygone(static_cast<int>(points.size()));
  for (std::size_t i = 0; i < points.size(); ++i)
    polygone.setPoint(static_cast<int>(i), points[i].x, points[i].y);
  QPainter peintre(&image_);
  peintre.setPen(QPen(Couleur_qt(couleur), 0, Qt::SolidLine));
  peintre.drawPolyline(polygone);
}

void ImageSpectre::paintEvent(QPaintEvent*) {
  QPainter(this).drawImage(rect(), image_);
}

void ImageSpectre::mousePressEvent(QMouseEvent* evenement) {
  if (evenement->button() != Qt::LeftButton || !Souris_enfoncee) return;
  const int x = static_cast<int>(evenement->position().x()) * image_.width() / std::max(width(), 1);
  Souris_enfoncee(x);
}

// ---------------------------------------------------------------- memos

void MemoEditeur::keyPressEvent(QKeyEvent* evenement) {
  evenement->accept();
  const int touche = evenement->key();
  if (touche >= Qt::Key_F1 && touche <= Qt::Key_F4) {
    if (Touche_fonction) Touche_fonction(touche - Qt::Key_F1 + 1);
    return;
  }
  // Arrows, Delete, page keys, shortcuts: nothing happens in the editor.
  if (touche == Qt::Key_Escape || (evenement->modifiers() & Qt::ControlModifier)) return;
  if (const uint8_t octet = Octet_de_touche(evenement); octet != 0 && Appui_touche)
    Appui_touche(octet);
}

void MemoEditeur::keyReleaseEvent(QKeyEvent* evenement) {
  evenement->accept();
}

void MemoEditeur::mousePressEvent(QMouseEvent* evenement) {
  QPlainTextEdit::mousePressEvent(evenement);
  if (Clic) Clic();
}

void MemoEditeur::insertFromMimeData(const QMimeData*) {}

bool MemoEditeur::canInsertFromMimeData(const QMimeData*) const {
  return false;
}

void MemoReception::keyPressEvent(QKeyEvent* evenement) {
  if (evenement->key() == Qt::Key_Escape) {
    evenement->accept();
    if (Touche) Touche(27);
    return;
  }
  QPlainTextEdit::keyPressEvent(evenement);
}

// --------------------------------------------------------------- window

TForm8::TForm8(const LiensEmetteurRecepteur& liens, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setObjectName(QStringLiteral("Form8"));
  setWindowTitle(QStringLiteral("EMETTEUR-RECEPTEUR CW"));
  setFixedSize(635, 424);

  // Radio buttons act on mouse-up; they take no keyboard focus, so that the
  // keyboard cannot choose one without its effect.
  auto radio = [this](QGroupBox* groupe, std::string_view nom, int gauche, int largeur) {
    const BoutonRadio* b = Bouton_radio(nom);
    auto* r = new QRadioButton(
        QString::fromUtf8(b->libelle.data(), static_cast<qsizetype>(b->libelle.size())), groupe);
    r->setObjectName(Nom_qt(nom));
    r->setFocusPolicy(Qt::NoFocus);
    Placer(r, gauche, 16, largeur, 17);
    connect(r, &QRadioButton::clicked, this,
            [this, b] { emetteur_recepteur_->Bouton_radio_relache(*b); });
  };

  auto* vitesse = Groupe(this, "GroupBox1", "Vitesse de traduction en mots/minute", 0, 0, 449, 41);
  const char* vitesses[] = {"V10", "V13", "V16", "V20", "V26", "V33", "V43", "V54"};
  for (int i = 0; i < 8; ++i) radio(vitesse, vitesses[i], 8 + 48 * i, 44);
  radio(vitesse, "Vi_Auto", 392, 52);

  auto* niveau_gain = Groupe(this, "GroupBox12", "Niveau/Gain (%)", 448, 0, 97, 41);
  Niveau = Etiquette_qt(niveau_gain, "Niveau", "", 8, 16, 37, 17, "yellow");
  Gain = Etiquette_qt(niveau_gain, "Gain", "", 52, 16, 37, 17, "yellow");

  auto* presence = Groupe(this, "GroupBox11", "Présence son", 544, 0, 89, 41);
  radio(presence, "Son_en", 6, 38);
  radio(presence, "Son_hors", 44, 44);

  auto* vitesse_emission = Groupe(this, "GroupBox7", "Vitesse émission", 0, 48, 89, 41);
  Label5 = Etiquette_qt(vitesse_emission, "Label5", "", 6, 18, 22, 15);
  Etiquette_qt(vitesse_emission, "Label8", "Mots/min", 30, 18, 56, 15);

  auto* emission = Groupe(this, "GroupBox2", "Emission en cours", 96, 48, 97, 41);
  Label6 = Etiquette_qt(emission, "Label6", "", 8, 16, 81, 17);
  Label6->setAutoFillBackground(true);

  auto* continue_ = Groupe(this, "GroupBox9", "Emission continue", 200, 48, 105, 41);
  radio(continue_, "RadioButton9", 8, 42);
  radio(continue_, "RadioButton10", 52, 50);

  auto* separateur = Bouton(this, "Button6", "", 312, 48, 9, 89);
  separateur->setEnabled(false);

  auto* gain = Groupe(this, "LE_NIVEAU_ENTREE",
                      "Niveau d'entrée ou CAG (Contrôle Automatique de Gain)", 328, 48, 305, 41);
  const char* gains[] = {"FOIS_0_2", "FOIS_0_4", "FOIS_0_6", "FOIS_0_8", "FOIS_1", "AGC"};
  for (int i = 0; i < 6; ++i) radio(gain, gains[i], 6 + 49 * i, 48);

  auto* sequences =
      Groupe(this, "GroupBox4", "Emission de la séquence (ou <F1> à <F4>)", 3, 96, 222, 49);
  for (int n = 1; n <= 4; ++n) {
    const std::string nom = "Sequence" + std::to_string(n);
    auto* b =
        Bouton(sequences, nom.c_str(), std::to_string(n).c_str(), 8 + 53 * (n - 1), 18, 48, 25);
    connect(b, &QPushButton::clicked, this,
            [this, n] { emetteur_recepteur_->Sequence_demandee(n); });
  }
  Arret_sequence = Bouton(this, "Arret_sequence", "", 224, 112, 89, 25);
  Arret_sequence->hide();
  connect(Arret_sequence, &QPushButton::clicked, this,
          [this] { emetteur_recepteur_->Arret_sequenceClick(); });

  auto* seuil = Groupe(this, "SEUIL_FILTRAGE", "Seuil de filtrage", 328, 96, 305, 41);
  const char* seuils[] = {"S100", "S50", "S25", "S12", "S6", "S3", "S1", "Sauto"};
  for (int i = 0; i < 8; ++i) radio(seuil, seuils[i], 6 + 36 * i, i == 7 ? 46 : 36);

  Image_spectre = new ImageSpectre(kLargeur_image, kHauteur_image, this);
  Image_spectre->setObjectName(QStringLiteral("Image_spectre"));
  Image_spectre->setGeometry(8, 144, 313, 225);
  Image_spectre->Souris_enfoncee = [this](int x) {
    emetteur_recepteur_->Image_spectreMouseDown(x);
  };

  auto* frequence = Groupe(this, "GroupBox10", "Fréquence", 328, 144, 65, 41);
  F_reception = Etiquette_qt(frequence, "F_reception", "", 4, 16, 57, 17, "yellow");
  auto* vitesse_cw = Groupe(this, "", "V. CW", 392, 144, 41, 41);
  Vit_Auto = Etiquette_qt(vitesse_cw, "Vit_Auto", "", 4, 16, 33, 17);
  auto* saturation = Groupe(this, "GroupBox8", "Sat", 432, 144, 33, 41);
  Label7 = Etiquette_qt(saturation, "Label7", "", 6, 16, 21, 17);
  Label7->setAutoFillBackground(true);
  auto* signal = Groupe(this, "GroupBox5", "Signal", 464, 144, 41, 41);
  Label3 = Etiquette_qt(signal, "Label3", "", 8, 16, 25, 17, "red");
  auto* bande = Groupe(this, "GroupBox3", "Bande Large/Etroite", 504, 144, 129, 41);
  radio(bande, "Large", 8, 54);
  radio(bande, "Etroit", 64, 62);

  Memo2 = new MemoEditeur(this);
  Memo2->setObjectName(QStringLiteral("Memo2"));
  Memo2->setContextMenuPolicy(Qt::NoContextMenu);
  Memo2->setTabChangesFocus(true);
  Memo2->setGeometry(8, 192, 305, 177);
  Memo2->Appui_touche = [this](uint8_t touche) {
    if (const uint8_t montre = emetteur_recepteur_->Appui_touche(touche))
      Inserer_memo(Controle::Memo2, montre);
  };
  Memo2->Touche_fonction = [this](int n) { emetteur_recepteur_->Sequence_demandee(n); };
  Memo2->Clic = [this] { emetteur_recepteur_->Memo2Click(); };

  Memo1 = new MemoReception(this);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  Memo1->setTabChangesFocus(true);
  Memo1->viewport()->setCursor(Qt::ArrowCursor);
  Memo1->setGeometry(320, 192, 313, 177);
  Memo1->Touche = [this](uint8_t touche) { emetteur_recepteur_->Memo1KeyPress(touche); };

  Etiquette_qt(this, "Label2", "EDITEUR MORSE", 16, 376, 90, 13);
  Etiquette_qt(this, "Label1", "TRADUCTEUR MORSE", 504, 376, 117, 13);

  Button1 = Bouton(this, "Button1", "Retour au menu", 16, 392, 97, 25);
  connect(Button1, &QPushButton::clicked, this, [this] { emetteur_recepteur_->Retour_au_menu(); });
  auto* modes =
      Groupe(this, "GroupBox6", "Choix entre réception, transmission et arrêt sans retour au menu",
             120, 376, 377, 49);
  Bouton_Edition = Bouton(modes, "Bouton_Edition", "Edition", 8, 16, 137, 25);
  Bouton_Arret = Bouton(modes, "Bouton_Arret", "Arrêt", 152, 16, 81, 25);
  Bouton_Traduction = Bouton(modes, "Bouton_Traduction", "Traduction", 240, 16, 129, 25);
  connect(Bouton_Edition, &QPushButton::clicked, this,
          [this] { emetteur_recepteur_->L_edition(); });
  connect(Bouton_Arret, &QPushButton::clicked, this,
          [this] { emetteur_recepteur_->Arret_sans_retour_au_menu(); });
  connect(Bouton_Traduction, &QPushButton::clicked, this,
          [this] { emetteur_recepteur_->La_traduction(); });
  Nettoyage = Bouton(this, "Nettoyage", "Nettoyage fenêtres", 504, 392, 129, 25);
  connect(Nettoyage, &QPushButton::clicked, this,
          [this] { emetteur_recepteur_->NettoyageClick(); });

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setTimerType(Qt::PreciseTimer);
  Timer1->setInterval(10);
  connect(Timer1, &QTimer::timeout, this, [this] { emetteur_recepteur_->Timer(); });

  // An Escape key-down anywhere in the window is noted for the next tick.
  for (QWidget* enfant : findChildren<QWidget*>()) enfant->installEventFilter(this);

  emetteur_recepteur_ =
      std::make_unique<EmetteurRecepteur>(liens, static_cast<VueEmetteurRecepteur&>(*this));
  emetteur_recepteur_->Appels().Regler_reveil([this] {
    QMetaObject::invokeMethod(
        this, [this] { emetteur_recepteur_->Servir_appels(); }, Qt::QueuedConnection);
  });
}

TForm8::~TForm8() {
  // The decoder thread ends (and its calls are served) while the widgets
  // still exist.
  emetteur_recepteur_.reset();
}

void TForm8::showEvent(QShowEvent* evenement) {
  QDialog::showEvent(evenement);
  if (evenement->spontaneous()) return;
  emetteur_recepteur_->A_l_activation_de_la_fiche();
  Timer1->start();
  if (essai_delai_ms_ >= 0)
    QTimer::singleShot(essai_delai_ms_, this, [this] { Essai_emission(essai_texte_); });
}

void TForm8::done(int resultat) {
  // Every way of closing asks the transceiver, which closes the window only
  // once no tone is left to send.
  if (!fermeture_demandee_) {
    emetteur_recepteur_->Retour_au_menu();
    return;
  }
  fermeture_demandee_ = false;
  Timer1->stop();
  QDialog::done(resultat);
}

void TForm8::keyPressEvent(QKeyEvent* evenement) {
  // Escape toggles the mode (through the timer); it never closes the window.
  if (evenement->key() == Qt::Key_Escape) {
    evenement->accept();
    return;
  }
  QDialog::keyPressEvent(evenement);
}

bool TForm8::eventFilter(QObject* objet, QEvent* evenement) {
  if (evenement->type() == QEvent::KeyPress) {
    auto* touche = static_cast<QKeyEvent*>(evenement);
    if (touche->key() == Qt::Key_Escape && !touche->isAutoRepeat())
      emetteur_recepteur_->Echap_enfoncee();
    // Keys typed on "Retour au menu" are queued as in the editor.
    if (objet == Button1)
      if (const uint8_t octet = Octet_de_touche(touche); octet != 0 && octet != 27)
        emetteur_recepteur_->Appui_touche(octet);
  }
  return QDialog::eventFilter(objet, evenement);
}

void TForm8::Essai_emission(const QString& texte) {
  if (!isVisible()) return;
  Bouton_Edition->click();
  for (QChar c : texte) {
    const bool ligne = c == QChar('\n');
    QKeyEvent appui(QEvent::KeyPress, ligne ? Qt::Key_Return : 0, Qt::NoModifier,
                    ligne ? QStringLiteral("\r") : QString(c));
    QApplication::sendEvent(Memo2, &appui);
  }
}

// ----------------------------------------------------- what the core does

void TForm8::Libelles_modes(const std::string& edition, const std::string& arret,
                            const std::string& traduction) {
  for (auto [bouton, texte] : {std::pair{Bouton_Edition, &edition}, std::pair{Bouton_Arret, &arret},
                               std::pair{Bouton_Traduction, &traduction}}) {
    bouton->setText(Vers_qt(*texte));
    Ajuster_legende(bouton);
  }
}

QWidget* TForm8::Widget(Controle controle) const {
  switch (controle) {
    case Controle::Image_spectre:
      return Image_spectre;
    case Controle::Memo1:
      return Memo1;
    case Controle::Memo2:
      return Memo2;
    case Controle::Arret_sequence:
      return Arret_sequence;
    case Controle::Label3:
      return Label3;
  }
  return nullptr;
}

QPlainTextEdit* TForm8::Memo(Controle memo) const {
  return memo == Controle::Memo1 ? static_cast<QPlainTextEdit*>(Memo1) : Memo2;
}

void TForm8::Visible(Controle controle, bool visible) {
  QWidget* w = Widget(controle);
  if (w->isVisibleTo(this) != visible) w->setVisible(visible);
}

void TForm8::Focus(Controle controle) {
  Widget(controle)->setFocus();
}

void TForm8::Texte(Etiquette etiquette, const std::string& texte) {
  QWidget* cible = nullptr;
  switch (etiquette) {
    case Etiquette::Niveau:
      cible = Niveau;
      break;
    case Etiquette::Gain:
      cible = Gain;
      break;
    case Etiquette::F_reception:
      cible = F_reception;
      break;
    case Etiquette::Vit_Auto:
      cible = Vit_Auto;
      break;
    case Etiquette::Label5:
      cible = Label5;
      break;
    case Etiquette::Arret_sequence:
      cible = Arret_sequence;
      break;
  }
  const QString t = Vers_qt(texte);
  if (auto* label = qobject_cast<QLabel*>(cible)) {
    if (label->text() != t) label->setText(t);
  } else if (auto* bouton = qobject_cast<QPushButton*>(cible)) {
    bouton->setText(t);
    Ajuster_legende(bouton);
  }
}

void TForm8::Couleur(Indicateur indicateur, CouleurLabel6 couleur) {
  QLabel* label = indicateur == Indicateur::Label6 ? Label6 : Label7;
  const QString style =
      couleur == CouleurLabel6::Rouge ? QStringLiteral("background-color: red;") : QString();
  if (label->styleSheet() != style) label->setStyleSheet(style);
}

void TForm8::Selectionner(const BoutonRadio& bouton) {
  if (auto* r = findChild<QRadioButton*>(Nom_qt(bouton.nom))) r->setChecked(true);
}

std::size_t TForm8::Longueur_memo(Controle memo) {
  // A line break is CR LF: one more character per line after the first.
  const QTextDocument* document = Memo(memo)->document();
  return static_cast<std::size_t>(document->characterCount() - 1 + document->blockCount() - 1);
}

std::string TForm8::Texte_memo(Controle memo) {
  return Depuis_qt(Memo(memo)->toPlainText());
}

void TForm8::Remplacer_memo(Controle memo, const std::string& texte) {
  QPlainTextEdit* m = Memo(memo);
  m->setPlainText(Vers_qt(texte));
  m->moveCursor(QTextCursor::End);
}

void TForm8::Inserer_memo(Controle memo, uint8_t caractere) {
  QPlainTextEdit* m = Memo(memo);
  if (caractere == 8) {
    QTextCursor curseur = m->textCursor();
    curseur.deletePreviousChar();
    m->setTextCursor(curseur);
  } else if (caractere == 10 || caractere == 13) {
    m->insertPlainText(QStringLiteral("\n"));
  } else {
    m->insertPlainText(Vers_qt(std::string(1, static_cast<char>(caractere))));
  }
}

void TForm8::Vider_memo(Controle memo) {
  Memo(memo)->clear();
}

void TForm8::Fermer() {
  fermeture_demandee_ = true;
  done(QDialog::Accepted);
}

TForm8* Creation_emetteur_recepteur(const LiensEmetteurRecepteur& liens, QWidget* parent) {
  auto* fenetre = new TForm8(liens, parent);
  if (qEnvironmentVariable("VESTRAL_ESSAI_EMETTEUR_RECEPTEUR") == QLatin1String("1") && parent) {
    QTimer::singleShot(0, parent, [parent] {
      if (auto* action = parent->findChild<QAction*>(QStringLiteral("Traducteur_Editeur")))
        action->trigger();
    });
  }
  const QString emission = qEnvironmentVariable("VESTRAL_ESSAI_EMISSION");
  if (const qsizetype deux_points = emission.indexOf(QChar(':')); deux_points > 0) {
    bool nombre = false;
    const double secondes = emission.left(deux_points).toDouble(&nombre);
    if (nombre && secondes >= 0) {
      fenetre->essai_delai_ms_ = static_cast<int>(secondes * 1000);
      fenetre->essai_texte_ = emission.mid(deux_points + 1);
    }
  }
  return fenetre;
}

}  // namespace vestral
