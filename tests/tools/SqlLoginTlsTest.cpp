// SPDX-License-Identifier: GPL-3.0-or-later
// The SQL login dialog's encryption controls, against a stand-in with a self-signed
// certificate.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include "support/StandinServer.h"
#include "support/TestCertificates.h"
#include "tools/SqlLoginDialog.h"
#include "tools/ToolWindowFrame.h"
#include "tools/ToolsFixture.h"

namespace pelvane::tools {
namespace {

using engine::Answer;

TEST_F(ToolsTest, SqlLoginEncryptionControlsAreTestedAndSaved) {
  testing::TestCertificates certificates;
  testing::StandinServer::Options options;
  options.tlsCertificate = certificates.selfSigned().certificate;
  options.tlsKey = certificates.selfSigned().key;
  options.encryption = "on";
  testing::StandinServer standin(options);
  const std::string server = standin.server();
  context.session.CurrentServer = server;
  auto* dialog =
      static_cast<SqlLoginDialog*>(ShowInMdi(mdi, std::make_unique<SqlLoginDialog>(context)));
  QSignalSpy tested(dialog, &SqlLoginDialog::loginTested);
  auto* encryption = Control<QComboBox>(dialog, "cmbEncryption");
  auto* trust = Control<QCheckBox>(dialog, "chkTrustServerCertificate");
  auto* file = Control<QLineEdit>(dialog, "txtCertificateFile");
  EXPECT_EQ(encryption->accessibleName(), "Encryption:");
  EXPECT_EQ(trust->accessibleName(), "Trust server certificate");
  EXPECT_EQ(file->accessibleName(), "Certificate file:");
  EXPECT_EQ(encryption->currentText(), "Mandatory");
  Control<QLineEdit>(dialog, "txtUserName")->setText("sa");
  Control<QLineEdit>(dialog, "txtPassword")->setText("Secret1");

  // Browse fills the box through the file dialog.
  prompter.files = {{certificates.caFile()}};
  Click(dialog, "cmdBrowse");
  EXPECT_EQ(file->text().toStdString(), certificates.caFile());
  file->clear();

  // By default the self-signed certificate is refused, with the reason and the fix.
  prompter.answers = {Answer::kNo};
  Click(dialog, "cmdOK");
  QTRY_COMPARE_WITH_TIMEOUT(tested.count(), 1, 15000);
  ASSERT_EQ(prompter.asked.size(), 1u);
  EXPECT_EQ(prompter.asked[0].caption, "Certificate Not Trusted");
  EXPECT_EQ(prompter.asked[0].text,
            "Certificate of " + server +
                " not trusted (self-signed). Set TrustServerCertificate or ServerCertificate for "
                "this server. Would you like to add the login information anyway?");

  // Trusted, it connects and saves the key, and only that one.
  trust->setChecked(true);
  Click(dialog, "cmdOK");
  QTRY_COMPARE_WITH_TIMEOUT(tested.count(), 2, 15000);
  EXPECT_EQ(prompter.asked.size(), 1u);
  EXPECT_EQ(store.GetINIValue(server, "TrustServerCertificate"), "1");
  EXPECT_EQ(store.GetINIValue(server, "Login"), "sa");
  EXPECT_EQ(store.GetINIValue(server, "Encrypt"), "");
}

}  // namespace
}  // namespace pelvane::tools
