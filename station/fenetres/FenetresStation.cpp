#include "station/fenetres/FenetresStation.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include "shell/fenetres/OutilsQt.h"

namespace vestral {
namespace {

QString U(const char* texte) {
  return QString::fromUtf8(texte);
}

constexpr int kVitesses_serie[] = {0, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};

QString Kilohertz(int64_t hz) {
  if (hz <= 0) return {};
  return QString::number(static_cast<double>(hz) / 1000.0, 'f', 1);
}

}  // namespace

std::optional<int64_t> Frequence_saisie_hz(const QString& texte) {
  QString t = texte.trimmed();
  t.replace(QChar(','), QChar('.'));
  t.remove(QChar(' '));
  bool ok = false;
  const double khz = t.toDouble(&ok);
  if (!ok || !(khz >= 1.0 && khz <= 100e6)) return std::nullopt;
  return static_cast<int64_t>(khz * 1000.0 + 0.5);
}

// ------------------------------------------------------------------ Station

DialogueStation::DialogueStation(const ReglagesStation& reglages, QWidget* parent)
    : QDialog(parent), depart_(reglages) {
  setObjectName(QStringLiteral("Station"));
  setWindowTitle(U("Station"));
  auto* formulaire = new QFormLayout;

  Modele = new QSpinBox(this);
  Modele->setObjectName(QStringLiteral("Modele"));
  Modele->setRange(0, 999999);
  Modele->setSpecialValueText(U("aucun poste"));
  Modele->setValue(reglages.poste.modele);
  Modele->setToolTip(U("Numéro de modèle hamlib (rigctl -l) ; 2 : rigctld sur le réseau"));
  formulaire->addRow(U("Modèle du poste :"), Modele);

  Appareil = new QLineEdit(Vers_qt(reglages.poste.peripherique), this);
  Appareil->setObjectName(QStringLiteral("Appareil"));
  Appareil->setPlaceholderText(U("/dev/ttyUSB0 ou localhost:4532"));
  formulaire->addRow(U("Liaison :"), Appareil);

  Vitesse = new QComboBox(this);
  Vitesse->setObjectName(QStringLiteral("Vitesse"));
  for (const int v : kVitesses_serie) {
    Vitesse->addItem(v == 0 ? U("celle du modèle") : QString::number(v) + U(" bauds"), v);
    if (v == reglages.poste.vitesse) Vitesse->setCurrentIndex(Vitesse->count() - 1);
  }
  formulaire->addRow(U("Vitesse série :"), Vitesse);

  Ptt = new QComboBox(this);
  Ptt->setObjectName(QStringLiteral("Ptt"));
  Ptt->addItem(U("ligne DTR/RTS du port série"), static_cast<int>(ModePTT::Serie));
  Ptt->addItem(U("commande du poste (CAT)"), static_cast<int>(ModePTT::Cat));
  Ptt->addItem(U("aucune (VOX)"), static_cast<int>(ModePTT::Aucun));
  Ptt->setCurrentIndex(Ptt->findData(static_cast<int>(reglages.ptt)));
  formulaire->addRow(U("Passage en émission :"), Ptt);

  Cwdaemon = new QCheckBox(U("commandes d'un logiciel de trafic (protocole cwdaemon)"), this);
  Cwdaemon->setObjectName(QStringLiteral("Cwdaemon"));
  Cwdaemon->setChecked(reglages.cwdaemon);
  formulaire->addRow(U("Manipulateur :"), Cwdaemon);

  Adresse = new QLineEdit(QString::fromStdString(reglages.adresse_cwdaemon), this);
  Adresse->setObjectName(QStringLiteral("Adresse"));
  formulaire->addRow(U("Adresse d'écoute :"), Adresse);

  Port = new QSpinBox(this);
  Port->setObjectName(QStringLiteral("Port"));
  Port->setRange(1, 65535);
  Port->setValue(reglages.port_cwdaemon);
  formulaire->addRow(U("Port UDP :"), Port);

  auto* boutons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  boutons->button(QDialogButtonBox::Cancel)->setText(U("Annuler"));
  connect(boutons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(boutons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* colonne = new QVBoxLayout(this);
  colonne->addLayout(formulaire);
  colonne->addWidget(boutons);
}

ReglagesStation DialogueStation::Reglages() const {
  ReglagesStation r = depart_;
  r.poste.modele = Modele->value();
  r.poste.peripherique = Depuis_qt(Appareil->text().trimmed());
  r.poste.vitesse = Vitesse->currentData().toInt();
  r.ptt = static_cast<ModePTT>(Ptt->currentData().toInt());
  r.cwdaemon = Cwdaemon->isChecked();
  const QString adresse = Adresse->text().trimmed();
  r.adresse_cwdaemon = adresse.isEmpty() ? std::string(kAdresse_cwdaemon) : adresse.toStdString();
  r.port_cwdaemon = static_cast<uint16_t>(Port->value());
  // What the file would not take back is not kept.
  return Reglages_station_depuis(Texte_reglages_station(r));
}

// ------------------------------------------------------------------ Contact

DialogueContact::DialogueContact(JournalContacts& journal, const Contact& contact, QWidget* parent)
    : QDialog(parent), journal_(journal), deja_(journal.Contacts()) {
  setObjectName(QStringLiteral("Contact"));
  setWindowTitle(U("Contact"));
  auto* formulaire = new QFormLayout;
  auto champ = [&](QLineEdit*& ligne, const char* nom, const char* legende,
                   const std::string& valeur, int longueur) {
    ligne = new QLineEdit(Vers_qt(valeur), this);
    ligne->setObjectName(QString::fromLatin1(nom));
    ligne->setMaxLength(longueur);
    formulaire->addRow(U(legende), ligne);
  };
  champ(Indicatif, "Indicatif", "Indicatif :", contact.indicatif, 20);
  champ(Date, "Date", "Date (AAAAMMJJ, UTC) :", contact.date, 8);
  champ(Heure, "Heure", "Heure (HHMM, UTC) :", contact.heure, 6);
  champ(Frequence, "Frequence", "Fréquence (kHz) :", Depuis_qt(Kilohertz(contact.frequence_hz)),
        16);
  Bande = new QLabel(this);
  Bande->setObjectName(QStringLiteral("Bande"));
  formulaire->addRow(U("Bande :"), Bande);
  champ(Rst_envoye, "Rst_envoye", "RST envoyé :", contact.rst_envoye, 3);
  champ(Rst_recu, "Rst_recu", "RST reçu :", contact.rst_recu, 3);
  champ(Nom, "Nom", "Nom :", contact.nom, 60);
  champ(Qth, "Qth", "QTH :", contact.qth, 60);
  champ(Locator, "Locator", "Locator :", contact.locator, 8);
  champ(Commentaire, "Commentaire", "Commentaire :", contact.commentaire, 200);
  Doublon = new QLabel(this);
  Doublon->setObjectName(QStringLiteral("Doublon"));
  Doublon->setStyleSheet(QStringLiteral("color: #b00000"));

  auto* boutons = new QDialogButtonBox(this);
  auto* enregistrer = boutons->addButton(U("Enregistrer"), QDialogButtonBox::AcceptRole);
  enregistrer->setObjectName(QStringLiteral("Enregistrer"));
  boutons->addButton(U("Annuler"), QDialogButtonBox::RejectRole);
  connect(enregistrer, &QPushButton::clicked, this, &DialogueContact::Enregistrer);
  connect(boutons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* colonne = new QVBoxLayout(this);
  colonne->addLayout(formulaire);
  colonne->addWidget(Doublon);
  colonne->addWidget(boutons);

  for (QLineEdit* l : {Indicatif, Date, Heure, Frequence})
    connect(l, &QLineEdit::textChanged, this, &DialogueContact::Mise_a_jour);
  Mise_a_jour();
  Indicatif->setFocus();
}

Contact DialogueContact::Contact_saisi() const {
  Contact c;
  c.indicatif = Indicatif_normalise(Depuis_qt(Indicatif->text()));
  c.date = Depuis_qt(Date->text().trimmed());
  c.heure = Depuis_qt(Heure->text().trimmed());
  c.frequence_hz = Frequence_saisie_hz(Frequence->text()).value_or(0);
  c.rst_envoye = Depuis_qt(Rst_envoye->text().trimmed());
  c.rst_recu = Depuis_qt(Rst_recu->text().trimmed());
  c.nom = Depuis_qt(Nom->text().trimmed());
  c.qth = Depuis_qt(Qth->text().trimmed());
  c.locator = Depuis_qt(Locator->text().trimmed().toUpper());
  c.commentaire = Depuis_qt(Commentaire->text().trimmed());
  return c;
}

void DialogueContact::Mise_a_jour() {
  const Contact c = Contact_saisi();
  Bande->setText(QString::fromStdString(Bande_adif(c.frequence_hz)));
  bool doublon = false;
  for (const auto& d : deja_) doublon = doublon || Est_doublon(d, c);
  Doublon->setText(doublon ? Vers_qt(JournalContacts::Texte_doublon(c)) : QString());
}

void DialogueContact::Enregistrer() {
  const auto resultat =
      journal_.Ajouter(Contact_saisi(), Horodatage_adif(std::chrono::system_clock::now()));
  if (!resultat.enregistre) return;  // told; the dialog stays for another try
  enregistre_ = true;
  accept();
}

// ----------------------------------------------------- Journal des contacts

FenetreJournalContacts::FenetreJournalContacts(JournalContacts& journal, QWidget* parent)
    : QDialog(parent), journal_(journal) {
  setObjectName(QStringLiteral("JournalContacts"));
  setWindowTitle(U("Journal des contacts"));
  resize(820, 420);
  Liste = new QTableWidget(this);
  Liste->setObjectName(QStringLiteral("Liste"));
  const QStringList titres = {U("Date"),  U("Heure"),    U("Indicatif"),  U("Fréquence (kHz)"),
                              U("Bande"), U("RST env."), U("RST reçu"),   U("Nom"),
                              U("QTH"),   U("Locator"),  U("Commentaire")};
  Liste->setColumnCount(static_cast<int>(titres.size()));
  Liste->setHorizontalHeaderLabels(titres);
  Liste->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Liste->horizontalHeader()->setStretchLastSection(true);
  auto* retour = new QPushButton(U("Retour au menu"), this);
  retour->setObjectName(QStringLiteral("OKBouton"));
  connect(retour, &QPushButton::clicked, this, [this] { done(1); });
  auto* colonne = new QVBoxLayout(this);
  colonne->addWidget(Liste);
  colonne->addWidget(retour, 0, Qt::AlignRight);
}

void FenetreJournalContacts::showEvent(QShowEvent* evenement) {
  QDialog::showEvent(evenement);
  Relire();
}

void FenetreJournalContacts::Relire() {
  const auto contacts = journal_.Contacts();
  Liste->setRowCount(static_cast<int>(contacts.size()));
  int ligne = 0;
  for (const auto& c : contacts) {
    const QString cases[] = {Vers_qt(c.date),
                             Vers_qt(c.heure),
                             Vers_qt(c.indicatif),
                             Kilohertz(c.frequence_hz),
                             QString::fromStdString(Bande_adif(c.frequence_hz)),
                             Vers_qt(c.rst_envoye),
                             Vers_qt(c.rst_recu),
                             Vers_qt(c.nom),
                             Vers_qt(c.qth),
                             Vers_qt(c.locator),
                             Vers_qt(c.commentaire)};
    for (int colonne = 0; colonne < Liste->columnCount(); ++colonne)
      Liste->setItem(ligne, colonne, new QTableWidgetItem(cases[colonne]));
    ++ligne;
  }
  Liste->scrollToBottom();
}

}  // namespace vestral
