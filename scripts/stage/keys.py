"""RSA key pairs for signed releases, made with openssl: NAME.pem (private) and
NAME.pub.pem (SubjectPublicKeyInfo PEM, as `openssl pkey -pubout` writes it).
Run as a program, it makes each pair named on its command line that is missing:
    python3 scripts/stage/keys.py build/keys/release-key.pem ..."""
import os
import subprocess
import sys


def public_key_path(private_path):
    return os.path.splitext(private_path)[0] + ".pub.pem"


def make_key(private_path):
    """Makes an RSA 3072 key pair: private_path and its .pub.pem beside it."""
    subprocess.run(["openssl", "genpkey", "-algorithm", "RSA", "-pkeyopt", "rsa_keygen_bits:3072",
                    "-out", private_path], check=True, capture_output=True)
    subprocess.run(["openssl", "pkey", "-in", private_path, "-pubout", "-out", public_key_path(private_path)],
                   check=True, capture_output=True)


def main(paths):
    """Makes the pairs whose public key is missing. Returns 0, or 1 when openssl failed."""
    for path in paths:
        if os.path.exists(public_key_path(path)):
            continue
        os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
        try:
            make_key(path)
        except subprocess.CalledProcessError as e:
            print("openssl could not make %s: %s" % (path, e.stderr.decode(errors="replace")), file=sys.stderr)
            return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
