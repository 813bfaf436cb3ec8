#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the TLS tests' certificates in the folder given (see TestCertificates.h): a test CA,
# and, all with one ECDSA P-256 key (made at once, where RSA keys take up to a second):
#   localhost.pem  signed by the CA for DNS:localhost and IP:127.0.0.1
#   other.pem      signed by the CA for DNS:other.example.test only
#   self.pem       issued by itself for DNS:localhost and IP:127.0.0.1
#   expired.pem    as localhost.pem, valid only in January 2020
set -e
cd "${1:?usage: make-test-certificates.sh FOLDER}"
mkdir issued
: >index.txt
echo 01 >serial
# `openssl ca` rather than `openssl x509 -req`, since only it takes a start and end date
# (this openssl's x509 has no -not_before/-not_after, and -days cannot go back in time).
cat >ca.cnf <<'CONF'
[ca]
default_ca = test_ca
[test_ca]
database = index.txt
new_certs_dir = issued
certificate = ca.pem
private_key = ca.key
serial = serial
default_md = sha256
default_days = 30
policy = any_name
unique_subject = no
[any_name]
commonName = supplied
[localhost]
subjectAltName = DNS:localhost,IP:127.0.0.1
extendedKeyUsage = serverAuth
[other]
subjectAltName = DNS:other.example.test
extendedKeyUsage = serverAuth
CONF
openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -keyout ca.key \
  -out ca.pem -days 30 \
  -subj '/CN=Pelvane Test CA' -addext 'basicConstraints=critical,CA:TRUE' \
  -addext 'keyUsage=critical,keyCertSign,cRLSign'
openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out server.key
openssl req -new -key server.key -out localhost.csr -subj '/CN=localhost'
openssl req -new -key server.key -out other.csr -subj '/CN=other.example.test'
openssl ca -batch -config ca.cnf -notext -in localhost.csr -out localhost.pem \
  -extensions localhost
openssl ca -batch -config ca.cnf -notext -in other.csr -out other.pem -extensions other
openssl ca -batch -config ca.cnf -notext -in localhost.csr -out expired.pem \
  -extensions localhost -startdate 20200101000000Z -enddate 20200201000000Z
openssl req -x509 -key server.key -out self.pem -days 30 -subj '/CN=localhost' \
  -addext 'subjectAltName=DNS:localhost,IP:127.0.0.1' \
  -addext 'extendedKeyUsage=serverAuth'
chmod 600 ca.key server.key
