// The transceiver window driven headless on the simulated sound card (test
// clock): its controls and captions, the radio buttons and Escape, live
// decoding after a tuning click on the spectrum, and typed text and a
// stored sequence played to a WAV file that decodes back.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

#include "morse/ChaineReception.h"
#include "shell/Cp1252.h"
#include "shell/fenetres/OutilsQt.h"
#include "sound/FichierAudio.h"
#include "morse/SignalSimule.h"
#include "tests/EmetteurRecepteurFactice.h"
#include "transceiver/fenetres/TRADUCTEUR_EDITEUR.h"

namespace vestral {
namespace {

class FenetreEmetteurRecepteur : public ::testing::Test {
 protected:
  // The program's font, as the windows are designed for it.
  FenetreEmetteurRecepteur() : police_(QApplication::font()) {
    QApplication::setFont(Police_ms_sans_serif(11));
    reception.Vitesse_auto = 1;
    reception.Seuil_auto = 1;
    operateur.Vitesse_emission = 20;
    operateur.Gain_entree = 100;
    operateur.Entree_gauche = 1;
  }
  ~FenetreEmetteurRecepteur() override {
    fenetre.reset();
    QApplication::setFont(police_);
  }

  TForm8& Ouvrir() {
    fenetre = std::make_unique<TForm8>(
        LiensEmetteurRecepteur{wave, environnement, journal, reception, operateur, horloge},
        nullptr);
    fenetre->show();
    return *fenetre;
  }

  // Time on the card's clock, a capture block (a third of a second) at a
  // time; the window's own timer services it.
  void Recevoir(int blocs) {
    for (int i = 0; i < blocs; ++i) {
      carte.Avancer_echantillons(kTaille_bloc_reception);
      recus_ += kTaille_bloc_reception;
      QTest::qWait(15);
      // Wait for the decoder to read the block (serving its calls).
      const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(5);
      while (fenetre->Emetteur_recepteur().Echantillons_lus() < recus_ - 16 &&
             std::chrono::steady_clock::now() < limite)
        QTest::qWait(1);
    }
  }
  // Serves the event loop until the condition holds (the window's timers
  // act on it), at most two seconds.
  static bool Attendre_que(const std::function<bool()>& condition) {
    const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (!condition() && std::chrono::steady_clock::now() < limite) QTest::qWait(5);
    return condition();
  }
  // A playback block per tick until nothing is left to play.
  bool Emettre_tout() {
    auto& e = fenetre->Emetteur_recepteur().Emission();
    for (int i = 0; i < 2000; ++i) {
      if (e.File().Est_vide() && e.Synthese().Echantillons_a_emettre().empty() &&
          e.Sortie_1_muette() && e.Sortie_2_muette())
        return true;
      carte.Avancer_echantillons(kTaille_bloc_emission);
      QTest::qWait(12);
    }
    return false;
  }
  template <typename T>
  T* Controle(const char* nom) {
    auto* c = fenetre->findChild<T*>(QString::fromLatin1(nom));
    EXPECT_NE(c, nullptr) << nom;
    return c;
  }

  QFont police_;
  CarteSimulee carte;
  RapportMemoire rapport;
  FonctionsWave wave{carte, rapport};
  test::EnvironnementFactice environnement;
  JournalQSO journal;
  ReglagesReception reception;
  ValeursReglages operateur;
  std::atomic<uint8_t> horloge{0};
  std::unique_ptr<TForm8> fenetre;
  int64_t recus_ = 0;
};

TEST_F(FenetreEmetteurRecepteur, ControlesEtCommandes) {
  Ouvrir();
  EXPECT_EQ(fenetre->windowTitle(), QStringLiteral("EMETTEUR-RECEPTEUR CW"));
  EXPECT_EQ(fenetre->size(), QSize(635, 424));
  struct Place {
    const char* nom;
    QRect rect;  // in the window's client area
  };
  const Place places[] = {
      {"GroupBox1", {0, 0, 449, 41}},          {"SEUIL_FILTRAGE", {328, 96, 305, 41}},
      {"Image_spectre", {8, 144, 313, 225}},   {"Memo2", {8, 192, 305, 177}},
      {"Memo1", {320, 192, 313, 177}},         {"Button1", {16, 392, 97, 25}},
      {"Bouton_Edition", {128, 392, 137, 25}}, {"Nettoyage", {504, 392, 129, 25}},
      {"Arret_sequence", {224, 112, 89, 25}},
  };
  for (const Place& p : places) {
    QWidget* w = Controle<QWidget>(p.nom);
    EXPECT_EQ(QRect(w->mapTo(fenetre.get(), QPoint(0, 0)), w->size()), p.rect) << p.nom;
  }
  EXPECT_EQ(Controle<QGroupBox>("LE_NIVEAU_ENTREE")->title(),
            QString::fromUtf8("Niveau d'entrée ou CAG (Contrôle Automatique de Gain)"));
  EXPECT_EQ(fenetre->Bouton_Edition->text(), QStringLiteral("Transmission (ou <Echap>)"));
  EXPECT_EQ(fenetre->Bouton_Arret->text(), QString::fromUtf8("Arrêt"));
  EXPECT_EQ(fenetre->Bouton_Traduction->text(), QString::fromUtf8("Réception en cours"));
  EXPECT_TRUE(Controle<QRadioButton>("Sauto")->isChecked());
  EXPECT_TRUE(Controle<QRadioButton>("RadioButton10")->isChecked());
  EXPECT_FALSE(fenetre->Label3->isVisible());
  EXPECT_FALSE(fenetre->Arret_sequence->isVisible());
  EXPECT_EQ(fenetre->F_reception->text(), QStringLiteral(" 800.0 Hz"));

  // A radio button acts when the mouse is released on it.
  QTest::mouseClick(Controle<QRadioButton>("V13"), Qt::LeftButton);
  EXPECT_EQ(reception.Duree_point_reception, 96);
  EXPECT_TRUE(Controle<QRadioButton>("V13")->isChecked());

  // Escape in the decoded text before the capture is primed: the window's
  // tick sees the key-down and switches to transmission.
  QTest::keyClick(fenetre->Memo1, Qt::Key_Escape);
  EXPECT_TRUE(Attendre_que([&] { return fenetre->Emetteur_recepteur().Transmission_en_cours(); }));
  EXPECT_EQ(fenetre->Bouton_Traduction->text(), QString::fromUtf8("Réception (ou <Echap>)"));
  EXPECT_TRUE(fenetre->Memo2->isVisible());
  EXPECT_TRUE(fenetre->isVisible());  // Escape never closes the window
  QTest::keyClick(fenetre->Memo2, Qt::Key_Escape);
  EXPECT_TRUE(Attendre_que([&] { return fenetre->Emetteur_recepteur().Reception_en_cours(); }));

  QTest::mouseClick(fenetre->Bouton_Arret, Qt::LeftButton);
  EXPECT_EQ(fenetre->Bouton_Arret->text(), QString::fromUtf8("Arrêt en cours"));
  QTest::mouseClick(fenetre->Button1, Qt::LeftButton);
  EXPECT_FALSE(fenetre->isVisible());
  EXPECT_EQ(horloge, 0);
  EXPECT_TRUE(rapport.Evenements().empty());
}

TEST_F(FenetreEmetteurRecepteur, DecodageApresUnClicDAccord) {
  Parametres_signal p;
  p.texte = "CQ DE F4ABC K";
  p.mots_par_minute = 20;
  p.frequence = 1000;
  p.pause_secondes = 1;
  carte.Source_capture(SignalSimule(p));
  Ouvrir();
  Recevoir(4);
  EXPECT_TRUE(fenetre->Image_spectre->isVisible());
  EXPECT_FALSE(fenetre->Memo2->isVisible());
  // 1000 Hz lies at x = 100 on the 313-pixel image.
  QTest::mouseClick(fenetre->Image_spectre, Qt::LeftButton, Qt::NoModifier, QPoint(100, 112));
  EXPECT_NEAR(reception.Frequence_reception, 1000, 3);
  EXPECT_EQ(fenetre->F_reception->text().right(3), QStringLiteral(" Hz"));
  QTest::mouseClick(fenetre->Nettoyage, Qt::LeftButton);
  EXPECT_TRUE(fenetre->Memo1->toPlainText().isEmpty());
  Recevoir(70);  // two sendings of the text at least
  EXPECT_TRUE(fenetre->Memo1->toPlainText().contains(QStringLiteral("CQ DE F4ABC K")))
      << fenetre->Memo1->toPlainText().toStdString();
  EXPECT_FALSE(fenetre->Niveau->text().isEmpty());
  EXPECT_FALSE(fenetre->Vit_Auto->text().isEmpty());
}

TEST_F(FenetreEmetteurRecepteur, EmissionVersUnFichierWav) {
  environnement.sequences[0] = "tu 73";
  Ouvrir();
  QTest::mouseClick(fenetre->Bouton_Edition, Qt::LeftButton);
  ASSERT_TRUE(fenetre->Emetteur_recepteur().Transmission_en_cours());
  EXPECT_TRUE(environnement.ptt);
  QTest::keyClicks(fenetre->Memo2, "cq de f4abc ");
  fenetre->close();  // the window manager's close: text still to send, it stays
  EXPECT_TRUE(fenetre->isVisible());
  QTest::keyClick(fenetre->Memo2, Qt::Key_Left);  // does nothing in the editor
  QTest::keyClick(fenetre->Memo2, Qt::Key_F1);
  EXPECT_TRUE(fenetre->Arret_sequence->isVisible());
  EXPECT_EQ(fenetre->Arret_sequence->text(), QString::fromUtf8("Arrêt séq.1"));
  QTest::keyClicks(fenetre->Memo2, "xyz");  // blocked during the sequence
  ASSERT_TRUE(Emettre_tout());
  EXPECT_EQ(fenetre->Memo2->toPlainText(), QStringLiteral("CQ DE F4ABC TU 73"));
  EXPECT_FALSE(fenetre->Arret_sequence->isVisible());
  QTest::mouseClick(fenetre->Bouton_Traduction, Qt::LeftButton);
  EXPECT_TRUE(fenetre->Emetteur_recepteur().Reception_en_cours());
  EXPECT_FALSE(environnement.ptt);

  const auto wav = std::filesystem::temp_directory_path() /
                   ("vestral_emission_" + std::to_string(::getpid()) + ".wav");
  ASSERT_TRUE(carte.Ecrire_wav(wav));
  const LectureAudio lecture = Lire_fichier_audio(wav.string());
  std::filesystem::remove(wav);
  ASSERT_TRUE(lecture.erreur.empty()) << lecture.erreur;
  std::string decode;
  for (const auto& c : Decoder_echantillons(lecture.echantillons, {.vitesse = 20}))
    decode += static_cast<char>(c.caractere);
  EXPECT_EQ(decode, "CQ DE F4ABC TU 73 ");
}

// Not a check: with VESTRAL_CAPTURE_EMETTEUR_RECEPTEUR=FILE.png, the window
// receiving a simulated QSO (tuned on its tone) is saved as a picture.
TEST_F(FenetreEmetteurRecepteur, CaptureDEcran) {
  const QString chemin = qEnvironmentVariable("VESTRAL_CAPTURE_EMETTEUR_RECEPTEUR");
  if (chemin.isEmpty()) GTEST_SKIP() << "VESTRAL_CAPTURE_EMETTEUR_RECEPTEUR not set";
  Parametres_signal p;
  p.texte = "CQ CQ DE QX1AB QX1AB PSE K   QX1AB DE QZ2CD K   GM OM UR RST 579 = 73 ";
  p.mots_par_minute = 18;
  p.frequence = 700;
  p.rapport_signal_bruit_db = 15;
  p.amplitude = 0.4;
  carte.Source_capture(SignalSimule(p));
  Ouvrir();
  Recevoir(4);
  QTest::mouseClick(fenetre->Image_spectre, Qt::LeftButton, Qt::NoModifier, QPoint(64, 112));
  Recevoir(60);
  EXPECT_TRUE(fenetre->grab().save(chemin));
}

}  // namespace
}  // namespace vestral
